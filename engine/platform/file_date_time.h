#pragma once
// Setting a file's modification time to the second, without the two-second steps and
// local-time reading of the DOS date-time (FileStatus reads it the same way).
#include <optional>
#include <string>

#include "platform/dos_date_time.h"

namespace mobrel {

// Sets the modification and access time of the name itself: a link gets the time, not
// what it points to. False on failure.
bool SetFileModificationTime(const std::string& path, TDateTime when);
// The same for the file open as descriptor.
bool SetOpenFileModificationTime(int descriptor, TDateTime when);

}  // namespace mobrel
