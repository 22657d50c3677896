#include "reader/archive_file_reader.h"

#include <unistd.h>

#include <cerrno>

#include "platform/engine_errors.h"
#include "platform/system_error_text.h"

namespace mobrel {

TArchiveFileReader::TArchiveFileReader(int descriptor, const std::string& fileName)
    : fd_(::dup(descriptor)), fileName_(fileName) {
    if (fd_ < 0) {
        throw EFileError("Cannot open file \"" + fileName_ + "\". " + SystemErrorText(errno));
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
            throw EStreamError("Cannot read file \"" + fileName_ + "\". " + SystemErrorText(errno));
        }
        done += static_cast<size_t>(got);
    }
    return done;
}

}  // namespace mobrel
