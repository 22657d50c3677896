#include "platform/symbolic_link.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/file_status.h"

namespace mobrel {

namespace {

// The name itself, never what a link at it points to; an empty path is the current folder.
std::optional<TFileStatus> NameStatus(const std::string& path) {
    return FileStatus(path.empty() ? "." : path, false);
}

}  // namespace

bool IsSymbolicLink(const std::string& path) {
    const std::optional<TFileStatus> status = NameStatus(path);
    return status && status->IsSymbolicLink();
}

bool NameExists(const std::string& path) {
    return NameStatus(path).has_value();
}

bool IsRealFolder(const std::string& path) {
    const std::optional<TFileStatus> status = NameStatus(path);
    return status && status->IsDirectory();
}

std::optional<std::string> LinkTarget(const std::string& path) {
    // A link can change between a look at its size and readlink: the buffer grows until
    // the text fits with room to spare, so a target is never cut.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
        if (length < 0) {
            return std::nullopt;
        }
        if (static_cast<size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool IsDanglingLink(const std::string& path) {
    return IsSymbolicLink(path) && !FileStatus(path).has_value();
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
