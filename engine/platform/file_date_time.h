#pragma once
// A file's modification time to the second, read and set without the two-second steps
// and local-time reading of the DOS date-time.
#include <optional>
#include <string>

#include "platform/dos_date_time.h"

namespace mobrel {

// The modification time of what path names (a link is followed); nothing when it can't
// be read.
std::optional<TDateTime> FileModificationTime(const std::string& path);
// Sets the modification and access time of the name itself: a link gets the time, not
// what it points to. False on failure.
bool SetFileModificationTime(const std::string& path, TDateTime when);

}  // namespace mobrel
