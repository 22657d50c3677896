#pragma once
// The archive file as the decoding workers read it: a descriptor of its own (a duplicate of
// the caller's) read at explicit offsets, so no worker moves a file position another one
// relies on and the caller's buffered archive stream is never touched off its thread.
#include <cstddef>
#include <cstdint>
#include <string>

namespace mobrel {

class TArchiveFileReader {
  public:
    // Duplicates descriptor (EFileError naming fileName when that fails).
    TArchiveFileReader(int descriptor, const std::string& fileName);
    ~TArchiveFileReader();
    TArchiveFileReader(const TArchiveFileReader&) = delete;
    TArchiveFileReader& operator=(const TArchiveFileReader&) = delete;

    // Reads up to count bytes at offset; fewer only at the end of the file. Safe to call
    // from several threads at once. A read error raises EStreamError.
    size_t ReadAt(int64_t offset, uint8_t* buffer, size_t count) const;

  private:
    int fd_ = -1;
    std::string fileName_;
};

}  // namespace mobrel
