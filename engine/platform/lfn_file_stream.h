#pragma once
// A buffered stream over a file that it opens by name and owns: the reader's archive
// stream and the extractor's output files.
#include <memory>
#include <string>

#include "platform/buffer_stream.h"
#include "platform/file_stream.h"

namespace mobrel {

namespace detail {
// Holds the file so that it is created before the buffered stream that wraps it and
// destroyed after it (base classes are destroyed in reverse order).
struct TOwnedFileStream {
    explicit TOwnedFileStream(std::unique_ptr<TFileStream> file) : OwnedFile(std::move(file)) {}
    std::unique_ptr<TFileStream> OwnedFile;
};
}  // namespace detail

class TLFNFileStream : private detail::TOwnedFileStream, public TS_BufferStream {
  public:
    static constexpr int32_t kDefaultBufferSize = 8192;

    // Opens fileName (EFileError when that fails). With flushOnClose and a mode that can
    // write, destruction commits the file to the disk after writing out pending bytes.
    TLFNFileStream(const std::string& fileName, TFileMode mode, bool flushOnClose = false,
                   int32_t bufferSize = kDefaultBufferSize);
    // Buffers a file opened for writing elsewhere, and owns it.
    TLFNFileStream(std::unique_ptr<TFileStream> file, bool flushOnClose,
                   int32_t bufferSize = kDefaultBufferSize);

    // The file's descriptor, for reading its modification time.
    int Handle() const { return OwnedFile->Handle(); }
    const std::string& FileName() const { return OwnedFile->FileName(); }
    TFileStream& File() { return *OwnedFile; }
};

}  // namespace mobrel
