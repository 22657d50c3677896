#include "platform/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/engine_errors.h"
#include "platform/host_path.h"
#include "platform/temp_files.h"

namespace mobrel {

namespace {

int OpenRetrying(const std::string& path, int flags) {
    int fd = -1;
    do {
        fd = open(path.c_str(), flags | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool SyncPath(const std::string& path, int flags) {
    const int fd = OpenRetrying(path, flags);
    if (fd < 0) {
        return false;
    }
    const bool synced = fsync(fd) == 0;
    close(fd);
    return synced;
}

// Commits a rename: the folder's entry must reach the disk too.
void SyncFolderOf(const std::string& path) {
    const std::string folder = FolderPart(path);
    SyncPath(folder.empty() ? std::string(".") : folder, O_RDONLY | O_DIRECTORY);
}

bool WriteAll(int fd, const uint8_t* data, size_t count) {
    while (count > 0) {
        const ssize_t n = write(fd, data, count);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

// Copies the content and permission bits of source into the existing file copy, and
// commits it to the disk.
bool CopyCommitted(const std::string& source, const std::string& copy) {
    const int in = OpenRetrying(source, O_RDONLY);
    if (in < 0) {
        return false;
    }
    const int out = OpenRetrying(copy, O_WRONLY | O_TRUNC);
    if (out < 0) {
        close(in);
        return false;
    }
    bool ok = true;
    std::vector<uint8_t> buffer(256 * 1024);
    for (;;) {
        const ssize_t n = read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!WriteAll(out, buffer.data(), static_cast<size_t>(n))) {
            ok = false;
            break;
        }
    }
    struct stat info {};
    ok = ok && fstat(in, &info) == 0 && fchmod(out, info.st_mode & 07777) == 0;
    ok = ok && fsync(out) == 0;
    ok = close(out) == 0 && ok;
    close(in);
    return ok;
}

bool ReplaceAcrossFileSystems(const std::string& source, const std::string& target) {
    std::string copy;
    try {
        copy = MakeTempFile(FolderPart(target));
    } catch (const EFileError&) {
        return false;
    }
    if (!CopyCommitted(source, copy) || rename(copy.c_str(), target.c_str()) != 0) {
        unlink(copy.c_str());
        return false;
    }
    SyncFolderOf(target);
    unlink(source.c_str());
    return true;
}

}  // namespace

bool ReplaceFile(const std::string& source, const std::string& target) {
    // The new content must be on the disk before the name points at it, or a crash could
    // leave target empty where the old file used to be.
    if (!SyncPath(source, O_RDONLY)) {
        return false;
    }
    if (rename(source.c_str(), target.c_str()) == 0) {
        SyncFolderOf(target);
        return true;
    }
    if (errno != EXDEV) {
        return false;
    }
    return ReplaceAcrossFileSystems(source, target);
}

}  // namespace mobrel
