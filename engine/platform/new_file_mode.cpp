#include "platform/new_file_mode.h"

#include <sys/stat.h>

namespace mobrel {

bool GiveNewFileMode(const std::string& path) {
    // The umask can only be read by setting it; everything runs on one thread.
    const mode_t mask = umask(0);
    umask(mask);
    return chmod(path.c_str(), 0666 & ~mask) == 0;
}

}  // namespace mobrel
