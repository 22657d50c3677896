#pragma once
#include <cstdint>

namespace mobrel {

// The compressed size as a whole percentage of the uncompressed size, rounded to the
// nearest (ties to even) and capped at 100; 0 for an empty entry.
int CompressionRate(int64_t uncompressed, int64_t compressed);

}  // namespace mobrel
