#include "platform/dos_date_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <string>

#include "test_support.h"

namespace mobrel {
namespace {

uint32_t Pack(int year, int month, int day, int hours, int minutes, int seconds) {
    const uint32_t date = static_cast<uint32_t>((year - 1980) << 9 | month << 5 | day);
    const uint32_t time = static_cast<uint32_t>(hours << 11 | minutes << 5 | seconds / 2);
    return date << 16 | time;
}

// Runs the conversions in one time zone for one scope, restoring the previous one.
class TimeZoneScope {
  public:
    explicit TimeZoneScope(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            saved_ = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZoneScope() {
        if (saved_) {
            setenv("TZ", saved_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    std::optional<std::string> saved_;
};

TEST(DosDateTime, DatesThatAreNoCalendarDatesFailToConvert) {
    EXPECT_FALSE(DosDateTimeToDateTime(Pack(2024, 2, 30, 12, 0, 0)));
    EXPECT_FALSE(DosDateTimeToDateTime(Pack(2023, 2, 29, 12, 0, 0)));
    EXPECT_FALSE(DosDateTimeToDateTime(Pack(2024, 4, 31, 12, 0, 0)));
    EXPECT_FALSE(DosDateTimeToDateTime(Pack(2024, 0, 10, 12, 0, 0)));
    EXPECT_FALSE(DosDateTimeToDateTime(Pack(2024, 13, 10, 12, 0, 0)));
    EXPECT_FALSE(DosDateTimeToDateTime(Pack(2024, 1, 0, 12, 0, 0)));
    EXPECT_FALSE(DosDateTimeToDateTime(Pack(2024, 1, 10, 24, 0, 0)));
    EXPECT_FALSE(DosDateTimeToDateTime(Pack(2024, 1, 10, 12, 60, 0)));
    EXPECT_FALSE(DosDateTimeToDateTime(Pack(2024, 1, 10, 12, 0, 60)));
    EXPECT_FALSE(DosDateTimeToDateTime(0));
    EXPECT_TRUE(DosDateTimeToDateTime(Pack(2024, 2, 29, 12, 0, 0)));
    EXPECT_TRUE(DosDateTimeToDateTime(Pack(2000, 2, 29, 0, 0, 0)));
}

TEST(DosDateTime, RoundTripsThroughLocalTime) {
    for (const char* zone : {"UTC", "Europe/Berlin", "America/New_York"}) {
        TimeZoneScope scope(zone);
        for (uint32_t value : {Pack(2024, 6, 15, 13, 45, 30), Pack(1980, 1, 1, 0, 0, 0),
                               Pack(2107, 12, 31, 23, 59, 58), Pack(1999, 12, 31, 23, 59, 58)}) {
            const std::optional<TDateTime> when = DosDateTimeToDateTime(value);
            ASSERT_TRUE(when) << zone << " " << std::hex << value;
            EXPECT_EQ(DateTimeToDosDateTime(*when), value) << zone;
        }
    }
    TimeZoneScope scope("UTC");
    EXPECT_EQ(FormatDateTime(*DosDateTimeToDateTime(Pack(2024, 6, 15, 13, 45, 30))),
              "2024-06-15 13:45:30");
}

TEST(DosDateTime, OddSecondsRoundDownToEven) {
    TimeZoneScope scope("UTC");
    const TDateTime even = *DosDateTimeToDateTime(Pack(2024, 6, 15, 13, 45, 12));
    EXPECT_EQ(DateTimeToDosDateTime(even + 1), Pack(2024, 6, 15, 13, 45, 12));
}

TEST(DosDateTime, TimesOutsideTheDosRangeAreClamped) {
    TimeZoneScope scope("UTC");
    EXPECT_EQ(DateTimeToDosDateTime(0), Pack(1980, 1, 1, 0, 0, 0));
    EXPECT_EQ(DateTimeToDosDateTime(-86400), Pack(1980, 1, 1, 0, 0, 0));
    const TDateTime in2200 = 7258118400;  // 2200-01-01 UTC
    EXPECT_EQ(DateTimeToDosDateTime(in2200), Pack(2107, 12, 31, 23, 59, 58));
}

TEST(DosDateTime, TimesNoCalendarHoldsGoToTheNearerEndNeverWrap) {
    TimeZoneScope scope("UTC");
    constexpr TDateTime kMost = std::numeric_limits<TDateTime>::max();
    constexpr TDateTime kLeast = std::numeric_limits<TDateTime>::min();
    EXPECT_EQ(DateTimeToDosDateTime(kMost), Pack(2107, 12, 31, 23, 59, 58));
    EXPECT_EQ(DateTimeToDosDateTime(kLeast), Pack(1980, 1, 1, 0, 0, 0));
    // The listing's four-digit year: exact within it, its ends beyond.
    EXPECT_EQ(FormatDateTime(-2208988800), "1900-01-01 00:00:00");
    EXPECT_EQ(FormatDateTime(7258118400), "2200-01-01 00:00:00");
    EXPECT_EQ(FormatDateTime(1833029933770), "9999-12-31 23:59:59");  // year 60056
    EXPECT_EQ(FormatDateTime(kMost), "9999-12-31 23:59:59");
    EXPECT_EQ(FormatDateTime(kLeast), "0000-01-01 00:00:00");
}

TEST(DosDateTime, ALocalTimeInTheSpringForwardGapIsStillADate) {
    TimeZoneScope scope("Europe/Berlin");
    // 31 March 2024, 02:30 does not exist in Berlin; archives made elsewhere still hold it.
    EXPECT_TRUE(DosDateTimeToDateTime(Pack(2024, 3, 31, 2, 30, 0)));
}

TEST(DosDateTime, FileTimesAreSetAndReadAsDosValues) {
    test::TempDir dir;
    const std::string file = (dir / "a.txt").string();
    test::WriteFileText(file, "x");
    const uint32_t value = Pack(2019, 11, 5, 8, 7, 6);
    ASSERT_TRUE(SetFileDosDateTime(file, value));
    EXPECT_EQ(FileDosDateTime(file), value);
    EXPECT_FALSE(SetFileDosDateTime(file, Pack(2019, 2, 30, 0, 0, 0)));
    EXPECT_EQ(FileDosDateTime(file), value);  // a failed set leaves the time alone
    EXPECT_FALSE(FileDosDateTime((dir / "missing").string()));
    EXPECT_FALSE(SetFileDosDateTime((dir / "missing").string(), value));
}

}  // namespace
}  // namespace mobrel
