#pragma once
// The decoder of compression method 12: a bzip2 stream, decoded by libbz2.
#include "codecs/stream_decoder.h"

namespace mobrel {

class TDecodeContext;

// Decodes the whole current entry: its first stream, as the other zip tools do; bytes
// after it, another stream included, are ignored. Errors as RunStreamDecoder.
TStreamResult DecodeBzip2(TDecodeContext& context);

}  // namespace mobrel
