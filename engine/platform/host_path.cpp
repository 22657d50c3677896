#include "platform/host_path.h"

#include <sys/stat.h>

namespace mobrel {

namespace {

size_t NameStart(std::string_view path) {
    const size_t slash = path.rfind(kPathSeparator);
    return slash == std::string_view::npos ? 0 : slash + 1;
}

// Position of the extension's dot in path, or npos.
size_t ExtensionDot(std::string_view path) {
    const size_t nameStart = NameStart(path);
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot <= nameStart) {
        return std::string_view::npos;
    }
    return dot;
}

bool IsSeparatorOnly(std::string_view path) {
    return !path.empty() && path.find_first_not_of(kPathSeparator) == std::string_view::npos;
}

bool IsEntrySeparator(char c) {
    return c == kEntrySeparator || c == kPathSeparator;
}

// A NUL would cut the path short where the C library sees it (turning "..\0x" into "..")
// and other control characters make names no one can type: both become '_'.
std::string WithoutControlCharacters(std::string_view component) {
    std::string result(component);
    for (char& c : result) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '_';
        }
    }
    return result;
}

bool SameFileSystemObject(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

std::string FolderPart(std::string_view path) {
    return std::string(path.substr(0, NameStart(path)));
}

std::string NamePart(std::string_view path) {
    return std::string(path.substr(NameStart(path)));
}

std::string ExtensionPart(std::string_view path) {
    const size_t dot = ExtensionDot(path);
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
    const size_t dot = ExtensionDot(path);
    std::string result(path.substr(0, dot == std::string_view::npos ? path.size() : dot));
    result += extension;
    return result;
}

bool HasTrailingSeparator(std::string_view path) {
    return !path.empty() && path.back() == kPathSeparator;
}

std::string IncludeTrailingSeparator(std::string_view path) {
    std::string result(path);
    if (!result.empty() && !HasTrailingSeparator(result)) {
        result += kPathSeparator;
    }
    return result;
}

std::string ExcludeTrailingSeparator(std::string_view path) {
    if (IsSeparatorOnly(path)) {
        return std::string(1, kPathSeparator);
    }
    while (HasTrailingSeparator(path)) {
        path.remove_suffix(1);
    }
    return std::string(path);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    while (!name.empty() && name.front() == kPathSeparator) {
        name.remove_prefix(1);
    }
    if (folder.empty()) {
        return std::string(name);
    }
    std::string result = IncludeTrailingSeparator(folder);
    result += name;
    return result;
}

std::string DrivePart(std::string_view path) {
    // Exactly two leading separators make a network path; three or more are just the root.
    if (path.size() < 3 || path[0] != kPathSeparator || path[1] != kPathSeparator ||
        path[2] == kPathSeparator) {
        return {};
    }
    const size_t serverEnd = path.find(kPathSeparator, 2);
    if (serverEnd == std::string_view::npos) {
        return std::string(path);
    }
    const size_t shareEnd = path.find(kPathSeparator, serverEnd + 1);
    return std::string(path.substr(0, shareEnd));
}

bool IsRootFolder(std::string_view path) {
    if (IsSeparatorOnly(path)) {
        return true;
    }
    const std::string drive = DrivePart(path);
    if (!drive.empty()) {
        return ExcludeTrailingSeparator(path) == drive;
    }
    if (path.empty()) {
        return false;
    }
    // A mount point lies on another device than its parent; "/" is its own parent.
    const std::string folder = IncludeTrailingSeparator(path);
    struct stat self {};
    struct stat parent {};
    if (stat(folder.c_str(), &self) != 0 || !S_ISDIR(self.st_mode) ||
        stat((folder + "..").c_str(), &parent) != 0) {
        return false;
    }
    return self.st_dev != parent.st_dev || SameFileSystemObject(self, parent);
}

std::string EntryNameToHostPath(std::string_view entryName) {
    std::string result;
    size_t pos = 0;
    while (pos < entryName.size()) {
        size_t end = pos;
        while (end < entryName.size() && !IsEntrySeparator(entryName[end])) {
            ++end;
        }
        const std::string component = WithoutControlCharacters(entryName.substr(pos, end - pos));
        if (!component.empty() && component != "." && component != "..") {
            if (!result.empty()) {
                result += kPathSeparator;
            }
            result += component;
        }
        pos = end + 1;
    }
    if (!result.empty() && IsEntrySeparator(entryName.back())) {
        result += kPathSeparator;
    }
    return result;
}

std::string HostPathToEntryName(std::string_view hostPath) {
    std::string result(hostPath);
    for (char& c : result) {
        if (c == kPathSeparator) {
            c = kEntrySeparator;
        }
    }
    return result;
}

}  // namespace mobrel
