#include "reader/archive_file_reader.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/engine_errors.h"

namespace mobrel {

namespace {

// Workers report errors too, so not strerror, whose buffer is shared.
std::string ErrorText(int error) {
    return std::generic_category().message(error);
}

}  // namespace

TArchiveFileReader::TArchiveFileReader(int descriptor, const std::string& fileName)
    : fd_(::dup(descriptor)), fileName_(fileName) {
    if (fd_ < 0) {
        throw EFileError("Cannot open file \"" + fileName_ + "\". " + ErrorText(errno));
    }
}

TArchiveFileReader::~TArchiveFileReader() {
    ::close(fd_);
}

size_t TArchiveFileReader::ReadAt(int64_t offset, uint8_t* buffer, size_t count) const {
    size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd_, buffer + done, count - done,
                                    static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw EStreamError("Cannot read file \"" + fileName_ + "\". " + ErrorText(errno));
        }
        done += static_cast<size_t>(got);
    }
    return done;
}

}  // namespace mobrel
