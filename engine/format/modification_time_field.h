#pragma once
// An entry's modification time as the extra fields carry it: the extended timestamp
// (0x5455, seconds since the epoch in UTC) and the NTFS field (0x000A, 100 ns ticks since
// 1601). Either tells the instant exactly, where the DOS date-time is local time of an
// unknown zone with 2-second steps.
#include <optional>
#include <string>
#include <string_view>

#include "platform/dos_date_time.h"

namespace mobrel {

// The modification time the area carries: the extended timestamp when it holds one, else
// the NTFS field's. Nothing when neither is there or well formed.
std::optional<TDateTime> ExtraModificationTime(std::string_view area);

// The extended timestamp record for a modification time, as written in both the local and
// the central header (flags 0x01, then the time). The time must fit the field.
std::string ExtendedTimestampField(TDateTime modified);
// Whether the field can hold the time: it has 32 signed bits of seconds, December 1901 to
// January 2038. A time outside would be written as another, wrong one.
bool FitsExtendedTimestamp(TDateTime modified);

}  // namespace mobrel
