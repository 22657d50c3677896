#include "reader/output_path.h"

#include "format/zip_header_info.h"
#include "platform/host_path.h"
#include "reader/un_zipper.h"

namespace mobrel {

namespace {

char FoldForPrefix(char c) {
    if (c == kPathSeparator) {
        return kEntrySeparator;
    }
    if (c >= 'A' && c <= 'Z') {
        return static_cast<char>(c - 'A' + 'a');
    }
    return c;
}

bool StartsWithFolder(std::string_view directory, std::string_view folder) {
    if (folder.empty() || directory.size() < folder.size()) {
        return false;
    }
    for (size_t i = 0; i < folder.size(); ++i) {
        if (FoldForPrefix(directory[i]) != FoldForPrefix(folder[i])) {
            return false;
        }
    }
    return true;
}

bool HasDrivePrefix(std::string_view directory) {
    return directory.size() >= 2 && directory[1] == ':';
}

}  // namespace

std::string OutputDirFor(std::string_view destDir, std::string_view rootDir, bool recreateDirs,
                         std::string_view directory) {
    std::string relative;
    if (recreateDirs && !directory.empty()) {
        if (StartsWithFolder(directory, rootDir)) {
            directory.remove_prefix(rootDir.size());
        }
        if (HasDrivePrefix(directory)) {
            directory.remove_prefix(2);
        }
        // Leading separators, "." and ".." components all go here.
        relative = EntryNameToHostPath(directory);
    }
    if (destDir.empty()) {
        return relative;
    }
    return IncludeTrailingSeparator(JoinPath(destDir, relative));
}

std::string OutputFileFor(std::string_view outputDir, std::string_view fileName) {
    const std::string name = EntryNameToHostPath(fileName);
    if (name.empty()) {
        return std::string(outputDir);
    }
    return JoinPath(outputDir, name);
}

std::string TUnZipper::BuildOutputDir() const {
    return OutputDirFor(destDir_, rootDir_, recreateDirs_, spare_->Directory());
}

}  // namespace mobrel
