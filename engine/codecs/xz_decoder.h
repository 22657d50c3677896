#pragma once
// The decoder of compression method 95: an .xz stream, decoded by liblzma.
#include "codecs/stream_decoder.h"

namespace mobrel {

class TDecodeContext;

// Decodes the whole current entry, and any .xz streams that follow the first; the check
// the stream carries (CRC32, CRC64, SHA-256) is verified by the library. More memory
// than kLzmaMemoryLimit is srMemoryLimit. Errors as RunStreamDecoder.
TStreamResult DecodeXz(TDecodeContext& context);

}  // namespace mobrel
