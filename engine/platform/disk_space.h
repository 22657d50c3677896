#pragma once
// Free space on the file system that holds a path.
#include <cstdint>
#include <string>

namespace mobrel {

// Bytes an unprivileged user may still write on the file system of path (an existing file
// or folder), or -1 when that can't be found out.
int64_t FreeSpace(const std::string& path);

}  // namespace mobrel
