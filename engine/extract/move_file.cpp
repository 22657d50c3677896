#include "extract/move_file.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "platform/engine_errors.h"
#include "platform/file_stream.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "platform/temp_files.h"

namespace mobrel {

namespace {

bool SameDrive(const std::string& a, const std::string& b) {
    return strcasecmp(DrivePart(a).c_str(), DrivePart(b).c_str()) == 0;
}

// The data must be on the disk before a name points at it, or a crash could leave an
// empty file where the old one used to be. Best effort: a failure shows in the rename.
void CommitFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Copies everything source holds into target; false when not all of it arrived.
bool CopyWhole(TFileStream& source, TFileStream& target) {
    std::vector<uint8_t> buffer(256 * 1024);
    const int64_t expected = source.Size();
    int64_t copied = 0;
    try {
        for (;;) {
            const int64_t got = source.Read(buffer.data(), static_cast<int64_t>(buffer.size()));
            if (got == 0) {
                break;
            }
            const int64_t put = target.Write(buffer.data(), got);
            copied += put;
            if (put < got) {
                return false;  // the disk is full
            }
        }
    } catch (const EStreamError&) {
        return false;
    }
    return copied == expected && target.Commit();
}

// Gives the copy the source's permission bits instead of the temporary file's 0600.
void CopyPermissions(const TFileStream& source, const TFileStream& target) {
    struct stat info {};
    if (fstat(source.Handle(), &info) == 0) {
        fchmod(target.Handle(), info.st_mode & 07777);
    }
}

// Copies source into a temporary file beside target and renames it over target; false,
// with target untouched and no temporary file left, when that fails.
bool CopyIntoPlace(const std::string& source, const std::string& target) {
    TFileStream in(source, TFileMode::OpenRead);
    const std::string copy = MakeTempFile(FolderPart(target));
    bool placed = false;
    try {
        TFileStream out(copy, TFileMode::OpenWrite);
        CopyPermissions(in, out);
        placed = CopyWhole(in, out) && rename(copy.c_str(), target.c_str()) == 0;
    } catch (const EStreamError&) {
        placed = false;
    }
    if (!placed) {
        unlink(copy.c_str());
    }
    return placed;
}

}  // namespace

bool MoveFileTo(const std::string& source, const std::string& target) {
    if (!SameDrive(source, target)) {
        return false;
    }
    CommitFile(source);
    return rename(source.c_str(), target.c_str()) == 0;
}

void MoveOrCopyFile(const std::string& source, const std::string& target) {
    if (MoveFileTo(source, target)) {
        return;
    }
    if (!CopyIntoPlace(source, target)) {
        Services().MessageBox("Could not copy from " + source + " -> " + target, "Error",
                              TMsgButtons::Ok);
    }
}

}  // namespace mobrel
