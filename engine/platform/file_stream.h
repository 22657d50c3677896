#pragma once
// A stream over a file opened with POSIX calls.
#include <string>

#include "platform/stream.h"

namespace mobrel {

enum class TFileMode {
    Create,         // create or truncate, read and write
    OpenRead,       // existing file, read only
    OpenWrite,      // existing file, write only
    OpenReadWrite,  // existing file, read and write
};

class TFileStream : public TStream {
public:
    // Raises EFileError ("Cannot open file \"name\". <reason>" or "Cannot create file ...")
    // when the file cannot be opened.
    TFileStream(const std::string& fileName, TFileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* data, int64_t count) override;
    int64_t Write(const void* data, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;
    int64_t Size() override;

    int Handle() const { return fd_; }
    const std::string& FileName() const { return fileName_; }
    // Commits the file's buffers to the disk (fsync); false on failure.
    bool Commit();

private:
    int fd_ = -1;
    std::string fileName_;
};

}  // namespace mobrel
