#pragma once
// The decoder of compression method 6 (imploding): Shannon-Fano coded literals (or plain
// bytes), lengths and distances into a 4 KB or 8 KB dictionary, decoded in the context's
// 32 KB window. The general purpose flags choose the dictionary (bit 1: 8 KB) and
// whether a literal tree is present (bit 2); the compressed size chooses a table width.
#include <cstdint>

namespace mobrel {

class TDecodeContext;

void Explode(TDecodeContext& context, uint16_t generalFlags, int64_t compressedSize);

}  // namespace mobrel
