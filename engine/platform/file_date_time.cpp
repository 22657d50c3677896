#include "platform/file_date_time.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <array>

namespace mobrel {

namespace {

// Access and modification time alike, to the second.
std::array<timespec, 2> TimesOf(TDateTime when) {
    std::array<timespec, 2> times{};
    times[0].tv_sec = static_cast<time_t>(when);
    times[1].tv_sec = static_cast<time_t>(when);
    return times;
}

}  // namespace

bool SetFileModificationTime(const std::string& path, TDateTime when) {
    const std::array<timespec, 2> times = TimesOf(when);
    return utimensat(AT_FDCWD, path.c_str(), times.data(), AT_SYMLINK_NOFOLLOW) == 0;
}

bool SetOpenFileModificationTime(int descriptor, TDateTime when) {
    const std::array<timespec, 2> times = TimesOf(when);
    return futimens(descriptor, times.data()) == 0;
}

}  // namespace mobrel
