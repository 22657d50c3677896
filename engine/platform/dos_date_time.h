#pragma once
// Packed DOS date-time values (time in the low 16 bits, date in the high 16 bits) and their
// conversion to and from local time through the C library.
#include <cstdint>
#include <optional>
#include <string>

namespace mobrel {

// A point in time as seconds since the Unix epoch. The engine's "date-time value".
using TDateTime = int64_t;

// Local time of a packed value; nothing when it is no calendar date (30 February, month 0).
std::optional<TDateTime> DosDateTimeToDateTime(uint32_t dosDateTime);
// The packed value of a local time, seconds rounded down to even. Times before 1980 give
// 1 January 1980 00:00:00; times after 2107 the last representable value, however far out.
uint32_t DateTimeToDosDateTime(TDateTime when);
// The current local time.
TDateTime Now();
// "YYYY-MM-DD HH:MM:SS" in local time; a time past year 9999 shows as its last second, one
// before year 0 as its first.
std::string FormatDateTime(TDateTime when);

// A file's modification time packed as DOS date-time, or nothing when it can't be read.
std::optional<uint32_t> FileDosDateTime(const std::string& path);
// The same for an open file's handle.
std::optional<uint32_t> HandleDosDateTime(int handle);
// Sets a file's modification (and access) time from a packed value; false on failure.
bool SetFileDosDateTime(const std::string& path, uint32_t dosDateTime);

}  // namespace mobrel
