#include "platform/sanitize_dos_date_time.h"

#include <algorithm>

namespace mobrel {

namespace {

struct DosFields {
    uint32_t seconds2, minutes, hours, day, month, year;
};

DosFields Unpack(uint32_t v) {
    return {v & 0x1F,         (v >> 5) & 0x3F,  (v >> 11) & 0x1F,
            (v >> 16) & 0x1F, (v >> 21) & 0x0F, (v >> 25) & 0x7F};
}

uint32_t Pack(const DosFields& f) {
    return f.seconds2 | (f.minutes << 5) | (f.hours << 11) | (f.day << 16) | (f.month << 21) |
           (f.year << 25);
}

bool IsValid(const DosFields& f) {
    return f.seconds2 < 30 && f.minutes < 60 && f.hours <= 23 && f.day != 0 && f.month >= 1 &&
           f.month <= 12 && f.year < 120;
}

}  // namespace

uint32_t SanitizeDosDateTime(uint32_t dosDateTime) {
    DosFields f = Unpack(dosDateTime);
    if (IsValid(f)) {
        return dosDateTime;
    }
    f.seconds2 = std::min<uint32_t>(f.seconds2, 29);
    f.minutes = std::min<uint32_t>(f.minutes, 59);
    f.hours = std::min<uint32_t>(f.hours, 23);
    f.day = std::max<uint32_t>(f.day, 1);
    f.month = std::clamp<uint32_t>(f.month, 1, 12);
    f.year = std::min<uint32_t>(f.year, 119);
    return Pack(f);
}

}  // namespace mobrel
