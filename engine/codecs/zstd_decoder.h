#pragma once
// The decoder of compression methods 93 and 20 (the number older writers used): a
// Zstandard stream, decoded by libzstd.
#include "codecs/stream_decoder.h"

namespace mobrel {

class TDecodeContext;

// The largest window a frame may ask for: 2^27 bytes (128 MiB), which covers every
// compression level including the highest; a frame declaring more is refused as
// srMemoryLimit before anything is allocated for it.
inline constexpr int kZstdWindowLogMax = 27;

// Decodes the whole current entry; frames (and skippable frames) that follow the first
// are decoded in turn. Errors as RunStreamDecoder.
TStreamResult DecodeZstd(TDecodeContext& context);

}  // namespace mobrel
