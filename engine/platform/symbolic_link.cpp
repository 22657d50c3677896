#include "platform/symbolic_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

namespace mobrel {

namespace {

std::optional<struct stat> LinkStatus(const std::string& path) {
    struct stat info {};
    if (lstat(path.empty() ? "." : path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return info;
}

}  // namespace

bool IsSymbolicLink(const std::string& path) {
    const std::optional<struct stat> info = LinkStatus(path);
    return info && S_ISLNK(info->st_mode);
}

bool NameExists(const std::string& path) {
    return LinkStatus(path).has_value();
}

bool IsRealFolder(const std::string& path) {
    const std::optional<struct stat> info = LinkStatus(path);
    return info && S_ISDIR(info->st_mode);
}

std::optional<std::string> LinkTarget(const std::string& path) {
    std::vector<char> text(PATH_MAX + 1);
    const ssize_t length = readlink(path.c_str(), text.data(), text.size());
    // A target that fills the whole buffer may have been cut.
    if (length < 0 || static_cast<size_t>(length) >= text.size()) {
        return std::nullopt;
    }
    return std::string(text.data(), static_cast<size_t>(length));
}

bool CreateSymbolicLink(const std::string& target, const std::string& path) {
    return symlink(target.c_str(), path.c_str()) == 0;
}

bool RemoveName(const std::string& path) {
    if (unlink(path.c_str()) == 0 || errno == ENOENT) {
        return true;
    }
    return !NameExists(path);
}

}  // namespace mobrel
