#include "platform/file_permissions.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

namespace mobrel {

namespace {

constexpr uint32_t kPermissionBits = 0777;

bool UmaskFromProc(uint32_t& umask) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            std::istringstream value(line.substr(6));
            unsigned int mask = 0;
            if (value >> std::oct >> mask) {
                umask = mask & kPermissionBits;
                return true;
            }
        }
    }
    return false;
}

}  // namespace

uint32_t ProcessUmask() {
    uint32_t mask = 0;
    if (UmaskFromProc(mask)) {
        return mask;
    }
    const mode_t previous = ::umask(022);
    ::umask(previous);
    return previous & kPermissionBits;
}

uint32_t MaskedPermissions(uint32_t mode, uint32_t umask) {
    return mode & kPermissionBits & ~umask;
}

bool SetPermissions(const std::string& path, uint32_t permissions) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || S_ISLNK(info.st_mode)) {
        return false;
    }
    return chmod(path.c_str(), static_cast<mode_t>(permissions & kPermissionBits)) == 0;
}

bool SetOpenFilePermissions(int descriptor, uint32_t permissions) {
    return fchmod(descriptor, static_cast<mode_t>(permissions & kPermissionBits)) == 0;
}

}  // namespace mobrel
