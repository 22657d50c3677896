#pragma once
// A stream over a file opened with POSIX calls.
#include <string>

#include "platform/stream.h"

namespace mobrel {

enum class TFileMode {
    Create,          // create or truncate, read and write
    CreateNoFollow,  // as Create, but a symbolic link at the name is refused, not followed
    OpenRead,        // existing file, read only
    OpenWrite,       // existing file, write only
    OpenReadWrite,   // existing file, read and write
};

class TFileStream : public TStream {
  public:
    // Raises EFileError ("Cannot open file \"name\". <reason>" or "Cannot create file ...")
    // when the file cannot be opened; a folder is refused the same way. Created files get
    // mode 0666 less the umask.
    TFileStream(const std::string& fileName, TFileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    // Loops until count bytes moved or the end of the file. A read error raises EStreamError
    // (after delivering the bytes that did arrive).
    int64_t Read(void* data, int64_t count) override;
    // Loops until count bytes moved. A full disk (or quota, or size limit) gives a short
    // count; any other write error raises EStreamError (after reporting the bytes taken).
    int64_t Write(const void* data, int64_t count) override;
    // A position the file can't take (before its start) raises EStreamError.
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    // Truncates or extends the file; a position past the new end moves to the end.
    void SetSize(int64_t size) override;
    int64_t Size() override;

    int Handle() const { return fd_; }
    const std::string& FileName() const { return fileName_; }
    // Commits the file's buffers to the disk (fsync); false on failure.
    bool Commit();

  private:
    int fd_ = -1;
    std::string fileName_;
    // The descriptor's offset as this stream moved it: asking for the position is then no
    // system call (directory readers ask for every header). Only this class moves it.
    int64_t position_ = 0;
};

}  // namespace mobrel
