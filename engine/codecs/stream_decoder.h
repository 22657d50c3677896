#pragma once
// The loop that runs a library's streaming decoder over one entry: input comes from the
// decoding context's TakeInput, each library step decodes into a scratch area (the
// context's window), and what it produced goes on through DeliverOutput. The bzip2,
// LZMA, XZ and Zstandard decoders differ only in the step they plug in.
#include <cstddef>
#include <cstdint>

#include "codecs/coder_buffers.h"

namespace mobrel {

class TDecodeContext;

// What decoding an entry came to. Like inflate, a failure ends decoding quietly: the
// CRC and length check of the caller reports the entry; the result tells why.
enum TStreamResult : int {
    srOk = 0,
    srBadData = 1,      // the library rejected the data, or the output passed the declared size
    srTruncated = 2,    // the entry's data ended before the stream did
    srMemoryLimit = 3,  // the stream asks for more memory than we allow a decoder
};

enum class TStepStatus { Running, StreamEnd, BadData, MemoryLimit };

// One library decoder. Owns the library state and frees it in its destructor, so an
// exception thrown from the output side leaves nothing behind.
class TStreamCoder {
  public:
    virtual ~TStreamCoder() = default;
    // Decodes as much as the buffers allow. inputEnded: no byte will follow In.
    virtual TStepStatus Step(TCoderBuffers& buffers, bool inputEnded) = 0;
    // After a stream end with bytes left: whether those bytes open another stream that
    // continues the same data (the coder then prepares for it). By default the first
    // stream is all there is and trailing bytes are ignored.
    virtual bool ContinuesWith(const uint8_t* data, size_t count) {
        (void)data;
        (void)count;
        return false;
    }
};

// Runs coder over the rest of the entry's data. EUserCanceled passes on, and so does
// anything the final flush raises; every other exception during decoding (a premature
// end of the archive, an output larger than declared, a failed write) ends it as bad data.
TStreamResult RunStreamDecoder(TDecodeContext& context, TStreamCoder& coder);

}  // namespace mobrel
