#pragma once
// File-system helpers of the engine over host paths.
#include <string>

#include "platform/dos_date_time.h"

namespace mobrel {

// Creates folder with every missing parent; true when it exists as a folder afterwards.
bool ForceDirectories(const std::string& folder);
// True for an existing file that is not a folder (links are followed).
bool FileExists(const std::string& fileName);
// True for an existing folder (links are followed).
bool DirectoryExists(const std::string& folder);
// True for an existing regular file (links are followed): a name that may be opened as an
// archive, where opening a pipe or a device could wait for ever.
bool RegularFileExists(const std::string& fileName);
// The process's current folder, or empty when it can't be read.
std::string CurrentFolder();

// The file's modification time as its DOS date-time reads back, repaired like a date read
// from a header. A file whose time can't be read counts as DOS date-time -1, which repairs
// to 31 December 2099 23:59:58. The current time when the repaired value is still no
// calendar date. Never raises.
TDateTime FileDateTimeOrNow(const std::string& fileName);

// A new, empty file in folder whose name starts with "MBZ"; returns its path. Raises
// EFileError when it can't be created.
std::string TempFileName(const std::string& folder);

// Linux keeps no short 8.3 names: the short form of a path is the path itself.
std::string ToShortPath(const std::string& path);

// Linux has no volume labels: reading gives an empty text, writing changes nothing and
// reports failure.
std::string ReadVolumeLabel(const std::string& root);
bool WriteVolumeLabel(const std::string& root, const std::string& label);

}  // namespace mobrel
