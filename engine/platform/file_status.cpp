#include "platform/file_status.h"

#include <sys/stat.h>

#include "platform/file_attributes.h"

namespace mobrel {

bool TFileStatus::IsDirectory() const {
    return S_ISDIR(Mode);
}

bool TFileStatus::IsRegularFile() const {
    return S_ISREG(Mode);
}

bool TFileStatus::IsSymbolicLink() const {
    return S_ISLNK(Mode);
}

uint8_t TFileStatus::DosAttributes() const {
    uint8_t attributes = 0;
    if (IsDirectory()) {
        attributes |= faDirectory;
    } else if (IsRegularFile()) {
        attributes |= faArchive;
    }
    // A link's own permissions mean nothing (always 0777), so a link is never read-only.
    if (!IsSymbolicLink() && (Mode & S_IWUSR) == 0) {
        attributes |= faReadOnly;
    }
    return attributes;
}

std::optional<TFileStatus> FileStatus(const std::string& path, bool followLinks) {
    struct stat info {};
    const int result = followLinks ? stat(path.c_str(), &info) : lstat(path.c_str(), &info);
    if (result != 0) {
        return std::nullopt;
    }
    TFileStatus status;
    status.Mode = static_cast<uint32_t>(info.st_mode);
    status.Modified = static_cast<TDateTime>(info.st_mtim.tv_sec);
    status.Size = static_cast<int64_t>(info.st_size);
    return status;
}

}  // namespace mobrel
