#include "platform/dos_date_time.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

namespace mobrel {

namespace {

constexpr int kDosEpochYear = 1980;
constexpr int kDosLastYear = kDosEpochYear + 127;
constexpr uint32_t kDosFirstValue = (1u << 21) | (1u << 16);  // 1 January 1980, 00:00:00
constexpr uint32_t kDosLastValue =
    (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;

constexpr int kLastFourDigitYear = 9999;
constexpr const char* kFirstText = "0000-01-01 00:00:00";
constexpr const char* kLastText = "9999-12-31 23:59:59";

struct TDosFields {
    int year, month, day, hours, minutes, seconds;
};

TDosFields Unpack(uint32_t value) {
    return {kDosEpochYear + static_cast<int>((value >> 25) & 0x7F),
            static_cast<int>((value >> 21) & 0x0F),
            static_cast<int>((value >> 16) & 0x1F),
            static_cast<int>((value >> 11) & 0x1F),
            static_cast<int>((value >> 5) & 0x3F),
            static_cast<int>(value & 0x1F) * 2};
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsCalendarDateTime(const TDosFields& f) {
    return f.month >= 1 && f.month <= 12 && f.day >= 1 && f.day <= DaysInMonth(f.year, f.month) &&
           f.hours < 24 && f.minutes < 60 && f.seconds < 60;
}

std::optional<std::tm> LocalTime(TDateTime when) {
    const std::time_t t = static_cast<std::time_t>(when);
    std::tm fields{};
    if (localtime_r(&t, &fields) == nullptr) {
        return std::nullopt;
    }
    return fields;
}

uint32_t Pack(const std::tm& fields) {
    const uint32_t date = static_cast<uint32_t>(fields.tm_year + 1900 - kDosEpochYear) << 9 |
                          static_cast<uint32_t>(fields.tm_mon + 1) << 5 |
                          static_cast<uint32_t>(fields.tm_mday);
    const uint32_t time = static_cast<uint32_t>(fields.tm_hour) << 11 |
                          static_cast<uint32_t>(fields.tm_min) << 5 |
                          static_cast<uint32_t>(fields.tm_sec / 2);
    return date << 16 | time;
}

}  // namespace

std::optional<TDateTime> DosDateTimeToDateTime(uint32_t dosDateTime) {
    const TDosFields f = Unpack(dosDateTime);
    if (!IsCalendarDateTime(f)) {
        return std::nullopt;
    }
    std::tm fields{};
    fields.tm_year = f.year - 1900;
    fields.tm_mon = f.month - 1;
    fields.tm_mday = f.day;
    fields.tm_hour = f.hours;
    fields.tm_min = f.minutes;
    fields.tm_sec = f.seconds;
    // The fields read as UTC, then moved by the zone's offset. (mktime would do the same but
    // asks the system for the zone on every call, a file status each time: too slow for a
    // directory of 100,000 entries. The zone is read once, as localtime_r reads it.)
    const std::time_t asUtc = timegm(&fields);
    // timegm normalises what it is given; a date it had to move is no calendar date.
    if (asUtc == static_cast<std::time_t>(-1) || fields.tm_year != f.year - 1900 ||
        fields.tm_mon != f.month - 1 || fields.tm_mday != f.day) {
        return std::nullopt;
    }
    // The offset in force at the instant meant: the one at the first guess corrects the
    // guess across a change of offset. A local time inside a daylight-saving gap has no
    // instant of its own and is taken as the one the later offset gives; still a date.
    std::tm local{};
    if (localtime_r(&asUtc, &local) == nullptr) {
        return std::nullopt;
    }
    const std::time_t guess = asUtc - local.tm_gmtoff;
    if (localtime_r(&guess, &local) == nullptr) {
        return std::nullopt;
    }
    return static_cast<TDateTime>(asUtc - local.tm_gmtoff);
}

uint32_t DateTimeToDosDateTime(TDateTime when) {
    const std::optional<std::tm> fields = LocalTime(when);
    if (!fields) {  // a year past what std::tm holds: the nearer end of the range
        return when < 0 ? kDosFirstValue : kDosLastValue;
    }
    if (fields->tm_year + 1900 < kDosEpochYear) {
        return kDosFirstValue;
    }
    if (fields->tm_year + 1900 > kDosLastYear) {
        return kDosLastValue;
    }
    std::tm clamped = *fields;
    if (clamped.tm_sec > 59) {  // a leap second
        clamped.tm_sec = 59;
    }
    return Pack(clamped);
}

TDateTime Now() {
    return static_cast<TDateTime>(std::time(nullptr));
}

std::string FormatDateTime(TDateTime when) {
    const std::optional<std::tm> fields = LocalTime(when);
    if (!fields) {
        return when < 0 ? kFirstText : kLastText;
    }
    // Four digits of year: a time past them shows as the last one they can write.
    if (fields->tm_year + 1900 > kLastFourDigitYear) {
        return kLastText;
    }
    if (fields->tm_year + 1900 < 0) {
        return kFirstText;
    }
    char text[64];
    const size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &*fields);
    return std::string(text, length);
}

std::optional<uint32_t> FileDosDateTime(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return DateTimeToDosDateTime(static_cast<TDateTime>(info.st_mtime));
}

std::optional<uint32_t> HandleDosDateTime(int handle) {
    struct stat info {};
    if (fstat(handle, &info) != 0) {
        return std::nullopt;
    }
    return DateTimeToDosDateTime(static_cast<TDateTime>(info.st_mtime));
}

bool SetFileDosDateTime(const std::string& path, uint32_t dosDateTime) {
    const std::optional<TDateTime> when = DosDateTimeToDateTime(dosDateTime);
    if (!when) {
        return false;
    }
    struct timespec times[2] = {};
    times[0].tv_sec = static_cast<time_t>(*when);
    times[1].tv_sec = static_cast<time_t>(*when);
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

}  // namespace mobrel
