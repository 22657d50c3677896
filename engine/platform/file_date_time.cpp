#include "platform/file_date_time.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace mobrel {

bool SetFileModificationTime(const std::string& path, TDateTime when) {
    struct timespec times[2] = {};
    times[0].tv_sec = static_cast<time_t>(when);
    times[1].tv_sec = static_cast<time_t>(when);
    return utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

bool SetOpenFileModificationTime(int descriptor, TDateTime when) {
    struct timespec times[2] = {};
    times[0].tv_sec = static_cast<time_t>(when);
    times[1].tv_sec = static_cast<time_t>(when);
    return futimens(descriptor, times) == 0;
}

}  // namespace mobrel
