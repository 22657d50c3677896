#include "platform/executable_file.h"

#include <sys/stat.h>

namespace mobrel {

bool MarkExecutable(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return false;
    }
    const mode_t readable = status.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
    // Each read bit sits two places above the matching execute bit.
    const mode_t mode = (status.st_mode & 07777) | (readable >> 2);
    return chmod(path.c_str(), mode) == 0;
}

}  // namespace mobrel
