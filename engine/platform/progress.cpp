#include "platform/progress.h"

#include <cmath>

namespace mobrel {

int PercentOf(int32_t part, int32_t whole) {
    return PercentOf(static_cast<int64_t>(part), static_cast<int64_t>(whole));
}

int PercentOf(int64_t part, int64_t whole) {
    if (whole <= 0 || part <= 0) {
        return 0;
    }
    if (part >= whole) {
        return 100;
    }
    // part < whole here, so the quotient lies in 0..100; long double holds part * 100
    // without overflow and with every digit that matters for the rounding.
    const long double percent = static_cast<long double>(part) * 100.0L / whole;
    return static_cast<int>(std::nearbyint(percent));
}

}  // namespace mobrel
