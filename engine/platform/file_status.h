#pragma once
// What an entry written from a host file takes from it: the Unix st_mode (type and
// permission bits), the modification time and the size, read with stat or, for a link
// stored as itself, lstat.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/dos_date_time.h"

namespace mobrel {

struct TFileStatus {
    uint32_t Mode = 0;  // st_mode: S_IFMT type bits and the permission bits
    TDateTime Modified = 0;
    int64_t Size = 0;  // for a link read without following it, the length of its target text

    bool IsDirectory() const;
    bool IsRegularFile() const;
    bool IsSymbolicLink() const;
    // The DOS attribute byte the archive keeps beside the mode: 0x10 for a folder, 0x20 for
    // a regular file, plus 0x01 when the owner may not write it.
    uint8_t DosAttributes() const;
};

// The status of path; followLinks false describes a symbolic link itself. Nothing when the
// path can't be examined (a dangling link followed, a missing file).
std::optional<TFileStatus> FileStatus(const std::string& path, bool followLinks = true);

}  // namespace mobrel
