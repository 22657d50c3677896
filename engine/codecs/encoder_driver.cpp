#include "codecs/encoder_driver.h"

#include <vector>

namespace mobrel {

namespace {

constexpr size_t kChunkSize = 65536;

}  // namespace

TEncodeResult DriveEncoder(TEncoderStep& step, const TEncodeReadRoutine& read,
                           const TEncodeWriteRoutine& write) {
    std::vector<uint8_t> input(kChunkSize);
    std::vector<uint8_t> output(kChunkSize);
    TEncodeResult result;
    TCoderBuffers buffers;
    buffers.Out = output.data();
    buffers.OutLeft = output.size();
    bool inputEnded = false;
    for (;;) {
        // Input is asked for only when all given so far was taken, so the library sees
        // finish with nothing left over.
        if (buffers.InLeft == 0 && !inputEnded) {
            const size_t got = read(input.data(), input.size());
            inputEnded = got == 0;
            buffers.In = input.data();
            buffers.InLeft = got;
            result.UncompressedSize += got;
        }
        const bool complete = step.Step(buffers, inputEnded);
        const size_t produced = output.size() - buffers.OutLeft;
        if (produced > 0 && (buffers.OutLeft == 0 || complete)) {
            write(output.data(), produced);
            result.CompressedSize += produced;
            buffers.Out = output.data();
            buffers.OutLeft = output.size();
        }
        if (complete) {
            return result;
        }
    }
}

}  // namespace mobrel
