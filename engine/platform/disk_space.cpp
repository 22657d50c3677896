#include "platform/disk_space.h"

#include <sys/statvfs.h>

namespace mobrel {

int64_t FreeSpace(const std::string& path) {
    struct statvfs info {};
    if (statvfs(path.c_str(), &info) != 0) {
        return -1;
    }
    return static_cast<int64_t>(info.f_bavail) * static_cast<int64_t>(info.f_frsize);
}

}  // namespace mobrel
