#include "platform/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/engine_errors.h"

namespace mobrel {

namespace {

// One read or write call moves at most this much, well below SSIZE_MAX.
constexpr int64_t kMaxTransfer = int64_t{1} << 30;

int OpenFlags(TFileMode mode) {
    switch (mode) {
        case TFileMode::Create:
            return O_RDWR | O_CREAT | O_TRUNC;
        case TFileMode::CreateNoFollow:
            return O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW;
        case TFileMode::OpenRead:
            return O_RDONLY;
        case TFileMode::OpenWrite:
            return O_WRONLY;
        case TFileMode::OpenReadWrite:
            return O_RDWR;
    }
    return O_RDONLY;
}

std::string ErrorText(int error) {
    return std::strerror(error);
}

// Running out of room is an ordinary short write; anything else is a fault of the file.
bool IsMediumFull(int error) {
    return error == ENOSPC || error == EFBIG || error == EDQUOT;
}

}  // namespace

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : fileName_(fileName) {
    const bool creating = mode == TFileMode::Create || mode == TFileMode::CreateNoFollow;
    const char* verb = creating ? "Cannot create file \"" : "Cannot open file \"";
    do {
        fd_ = open(fileName.c_str(), OpenFlags(mode) | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        const int error = errno;
        throw EFileError(verb + fileName + "\". " + ErrorText(error), error);
    }
    // A folder opens read-only without complaint but is no file to read; opened for
    // writing, open refuses it itself.
    struct stat info {};
    const bool readOnly = (OpenFlags(mode) & O_ACCMODE) == O_RDONLY;
    if (readOnly && fstat(fd_, &info) == 0 && S_ISDIR(info.st_mode)) {
        close(fd_);
        fd_ = -1;
        throw EFileError(verb + fileName + "\". " + ErrorText(EISDIR), EISDIR);
    }
    if (mode == TFileMode::OpenRead) {
        // Files opened only for reading are read front to back: a longer read-ahead keeps
        // the disk busy while the data is compressed or checked. Only advice, so a
        // refusal changes nothing.
        posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

int64_t TFileStream::Read(void* data, int64_t count) {
    auto* bytes = static_cast<uint8_t*>(data);
    int64_t done = 0;
    while (done < count) {
        const ssize_t n =
            read(fd_, bytes + done, static_cast<size_t>(std::min(count - done, kMaxTransfer)));
        if (n > 0) {
            done += n;
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            if (done > 0) {
                break;  // deliver what arrived; the next call reports the error
            }
            throw EStreamError("Cannot read file \"" + fileName_ + "\". " + ErrorText(errno));
        }
    }
    position_ += done;
    return done;
}

int64_t TFileStream::Write(const void* data, int64_t count) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    int64_t done = 0;
    while (done < count) {
        const ssize_t n =
            write(fd_, bytes + done, static_cast<size_t>(std::min(count - done, kMaxTransfer)));
        if (n > 0) {
            done += n;
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            if (done > 0 || IsMediumFull(errno)) {
                break;
            }
            throw EStreamError("Cannot write file \"" + fileName_ + "\". " + ErrorText(errno));
        }
    }
    position_ += done;
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    if (offset == 0 && origin == soCurrent) {
        return position_;
    }
    int whence = SEEK_SET;
    switch (origin) {
        case soBeginning:
            whence = SEEK_SET;
            break;
        case soCurrent:
            whence = SEEK_CUR;
            break;
        case soEnd:
            whence = SEEK_END;
            break;
        default:
            throw EGeneralError("Invalid seek origin (" + std::to_string(int(origin)) + ")");
    }
    const off_t position = lseek(fd_, static_cast<off_t>(offset), whence);
    if (position < 0) {
        throw EStreamError("Cannot seek in file \"" + fileName_ + "\". " + ErrorText(errno));
    }
    position_ = static_cast<int64_t>(position);
    return position_;
}

void TFileStream::SetSize(int64_t size) {
    const int64_t position = Seek(0, soCurrent);
    int result = 0;
    do {
        result = ftruncate(fd_, static_cast<off_t>(size));
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        throw EStreamError("Cannot set the size of file \"" + fileName_ + "\". " +
                           ErrorText(errno));
    }
    if (position > size) {
        Seek(size, soBeginning);
    }
}

int64_t TFileStream::Size() {
    struct stat info {};
    if (fstat(fd_, &info) != 0) {
        throw EStreamError("Cannot read the size of file \"" + fileName_ + "\". " +
                           ErrorText(errno));
    }
    return static_cast<int64_t>(info.st_size);
}

bool TFileStream::Commit() {
    int result = 0;
    do {
        result = fsync(fd_);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

}  // namespace mobrel
