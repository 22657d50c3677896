#include "platform/progress.h"

#include <cmath>
#include <limits>

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

int64_t AddedTotal(int64_t total, uint64_t amount) {
    constexpr int64_t kLargest = std::numeric_limits<int64_t>::max();
    const uint64_t room =
        total < 0 ? static_cast<uint64_t>(kLargest) : static_cast<uint64_t>(kLargest - total);
    return amount >= room ? kLargest : total + static_cast<int64_t>(amount);
}

}  // namespace mobrel
