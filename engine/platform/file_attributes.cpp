#include "platform/file_attributes.h"

#include <sys/stat.h>

namespace mobrel {

std::optional<uint8_t> FileDosAttributes(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    uint8_t attributes = 0;
    if (S_ISDIR(info.st_mode)) {
        attributes |= faDirectory;
    } else if (S_ISREG(info.st_mode)) {
        attributes |= faArchive;
    }
    if ((info.st_mode & S_IWUSR) == 0) {
        attributes |= faReadOnly;
    }
    return attributes;
}

bool ApplyDosAttributes(const std::string& path, uint8_t attributes) {
    if ((attributes & faReadOnly) == 0) {
        return true;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return false;
    }
    const mode_t withoutWrite =
        info.st_mode & 07777 & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    return chmod(path.c_str(), withoutWrite) == 0;
}

bool ClearReadOnly(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return false;
    }
    return chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0;
}

}  // namespace mobrel
