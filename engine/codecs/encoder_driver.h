#pragma once
// The loop every streaming library encoder runs in: input from the read routine, one step of
// the library, full output buffers to the write routine, until the library has finished.
#include "codecs/coder_buffers.h"
#include "codecs/encode_routines.h"

namespace mobrel {

// One library's compressor, holding the library's state for one file.
class TEncoderStep {
  public:
    virtual ~TEncoderStep() = default;
    // Compresses from the input into the output, advancing both. finish tells that every
    // byte of the file was given; true once the library wrote the whole stream's end.
    // Each call uses some input or some output room unless the stream is complete.
    virtual bool Step(TCoderBuffers& buffers, bool finish) = 0;
};

// Runs step over the whole file. CompressedSize counts only what the step produced;
// exceptions from the routines pass through.
TEncodeResult DriveEncoder(TEncoderStep& step, const TEncodeReadRoutine& read,
                           const TEncodeWriteRoutine& write);

}  // namespace mobrel
