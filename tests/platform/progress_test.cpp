#include "platform/progress.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace mobrel {
namespace {

TEST(PercentOf, RoundsAndStaysWithinZeroToHundred) {
    EXPECT_EQ(PercentOf(50, 0), 0);
    EXPECT_EQ(PercentOf(50, -4), 0);
    EXPECT_EQ(PercentOf(300, 200), 100);
    EXPECT_EQ(PercentOf(1, 3), 33);
    EXPECT_EQ(PercentOf(2, 3), 67);
    EXPECT_EQ(PercentOf(-5, 10), 0);
    EXPECT_EQ(PercentOf(0, 10), 0);
    EXPECT_EQ(PercentOf(199, 200), 100);  // 99.5 rounds to the even 100
    EXPECT_EQ(PercentOf(3, 200), 2);      // 1.5 rounds to the even 2
}

// Sizes past 2 GB: part * 100 does not fit in 64 bits near the top of the range.
TEST(PercentOf, LargeTotalsDoNotOverflow) {
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(PercentOf(kMax / 2, kMax), 50);
    EXPECT_EQ(PercentOf(kMax / 3, kMax), 33);
    EXPECT_EQ(PercentOf(int64_t{1}, kMax), 0);
    EXPECT_EQ(PercentOf(int64_t{3'000'000'000}, int64_t{4'000'000'000}), 75);
    constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(PercentOf(kMax32 - 1, kMax32), 100);
    EXPECT_EQ(PercentOf(kMax32 / 4, kMax32), 25);
}

}  // namespace
}  // namespace mobrel
