#include "codecs/bzip2_encoder.h"

#include <bzlib.h>

#include <algorithm>
#include <string>

#include "codecs/encoder_driver.h"
#include "platform/engine_errors.h"

namespace mobrel {

namespace {

[[noreturn]] void Bzip2Failed(int code) {
    throw EGeneralError("The bzip2 compressor failed (code " + std::to_string(code) + ")");
}

// The library's state for one file, released however the file ends.
class TBzip2Step : public TEncoderStep {
  public:
    explicit TBzip2Step(int blockSize100k) {
        const int code = BZ2_bzCompressInit(&stream_, blockSize100k, 0, 0);
        if (code != BZ_OK) {
            Bzip2Failed(code);
        }
    }
    ~TBzip2Step() override { BZ2_bzCompressEnd(&stream_); }
    TBzip2Step(const TBzip2Step&) = delete;
    TBzip2Step& operator=(const TBzip2Step&) = delete;

    bool Step(TCoderBuffers& buffers, bool finish) override {
        // The library takes non-const pointers but never writes through next_in.
        stream_.next_in = reinterpret_cast<char*>(const_cast<uint8_t*>(buffers.In));
        stream_.avail_in = static_cast<unsigned>(buffers.InLeft);
        stream_.next_out = reinterpret_cast<char*>(buffers.Out);
        stream_.avail_out = static_cast<unsigned>(buffers.OutLeft);
        const int code = BZ2_bzCompress(&stream_, finish ? BZ_FINISH : BZ_RUN);
        buffers.In += buffers.InLeft - stream_.avail_in;
        buffers.InLeft = stream_.avail_in;
        buffers.Out += buffers.OutLeft - stream_.avail_out;
        buffers.OutLeft = stream_.avail_out;
        if (code == BZ_STREAM_END) {
            return true;
        }
        if (code != BZ_RUN_OK && code != BZ_FINISH_OK) {
            Bzip2Failed(code);
        }
        return false;
    }

  private:
    bz_stream stream_{};
};

}  // namespace

TEncodeResult Bzip2Encode(int packLevel, const TEncodeReadRoutine& read,
                          const TEncodeWriteRoutine& write) {
    TBzip2Step step(std::clamp(packLevel, 1, 9));
    return DriveEncoder(step, read, write);
}

}  // namespace mobrel
