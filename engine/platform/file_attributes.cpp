#include "platform/file_attributes.h"

#include <sys/stat.h>

#include "platform/file_status.h"

namespace mobrel {

namespace {

mode_t WithoutWrite(mode_t mode) {
    return mode & 07777 & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
}

}  // namespace

std::optional<uint8_t> FileDosAttributes(const std::string& path) {
    const std::optional<TFileStatus> status = FileStatus(path);
    if (!status) {
        return std::nullopt;
    }
    return status->DosAttributes();
}

bool ApplyDosAttributes(const std::string& path, uint8_t attributes) {
    if ((attributes & faReadOnly) == 0) {
        return true;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return false;
    }
    return chmod(path.c_str(), WithoutWrite(info.st_mode)) == 0;
}

bool ApplyDosAttributesToOpenFile(int descriptor, uint8_t attributes) {
    if ((attributes & faReadOnly) == 0) {
        return true;
    }
    struct stat info {};
    if (fstat(descriptor, &info) != 0) {
        return false;
    }
    return fchmod(descriptor, WithoutWrite(info.st_mode)) == 0;
}

bool ClearReadOnly(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return false;
    }
    return chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0;
}

}  // namespace mobrel
