#pragma once
#include <cstdint>

namespace mobrel {

// Repairs a packed DOS date-time read from a header: a valid value comes back unchanged;
// otherwise each field out of range is pulled to its nearest valid value (seconds/2 to 29,
// minutes to 59, hours to 23, day 0 to 1, month 0 to 1 and 13-15 to 12, years past 2099 to
// 2099). The day is not checked against the month's length.
uint32_t SanitizeDosDateTime(uint32_t dosDateTime);

}  // namespace mobrel
