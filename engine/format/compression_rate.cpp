#include "format/compression_rate.h"

#include <cstdint>

namespace mobrel {

int CompressionRate(int64_t uncompressed, int64_t compressed) {
    if (uncompressed <= 0 || compressed <= 0) {
        return 0;
    }
    if (compressed >= uncompressed) {
        return 100;
    }
    // Exact integer rounding for the sizes of the format (below 2^32); larger values are
    // halved together first so that 100 * compressed cannot overflow.
    while (compressed > INT64_MAX / 100) {
        compressed /= 2;
        uncompressed /= 2;
    }
    const int64_t scaled = 100 * compressed;
    int64_t rate = scaled / uncompressed;
    const int64_t twiceRemainder = 2 * (scaled % uncompressed);
    if (twiceRemainder > uncompressed || (twiceRemainder == uncompressed && rate % 2 != 0)) {
        ++rate;
    }
    return static_cast<int>(rate);
}

}  // namespace mobrel
