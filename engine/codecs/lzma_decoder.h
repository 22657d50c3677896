#pragma once
// The decoder of compression method 14: LZMA in its zip form. The data starts with a
// 4-byte header (the writer's LZMA SDK version in two bytes, then the size of the
// properties, which must be 5, in two), the 5 properties bytes (lc/lp/pb in one byte,
// the dictionary size in four), then the raw LZMA stream. General-purpose flag bit 1
// announces an end-of-stream marker; without it the stream ends at the declared size.
#include <cstdint>

#include "codecs/stream_decoder.h"

namespace mobrel {

class TDecodeContext;

inline constexpr uint16_t kLzmaEndMarkerFlag = 0x0002;

// Decodes the whole current entry; the stream stops at the declared uncompressed size
// either way, and with kLzmaEndMarkerFlag a marker may end it there. A header that is
// short or that liblzma cannot use (properties size, lc + lp > 4) is srBadData; a
// dictionary needing more than kLzmaMemoryLimit is srMemoryLimit. Errors as
// RunStreamDecoder.
TStreamResult DecodeLzma(TDecodeContext& context, uint16_t generalFlags);

}  // namespace mobrel
