#include "platform/lfn_file_stream.h"

namespace mobrel {

namespace {

bool ModeCanWrite(TFileMode mode) {
    return mode != TFileMode::OpenRead;
}

}  // namespace

TLFNFileStream::TLFNFileStream(const std::string& fileName, TFileMode mode, bool flushOnClose,
                               int32_t bufferSize)
    : TOwnedFileStream(std::make_unique<TFileStream>(fileName, mode)),
      TS_BufferStream(*OwnedFile, bufferSize) {
    FlushOnDestroy = flushOnClose && ModeCanWrite(mode);
}

TLFNFileStream::TLFNFileStream(std::unique_ptr<TFileStream> file, bool flushOnClose,
                               int32_t bufferSize)
    : TOwnedFileStream(std::move(file)), TS_BufferStream(*OwnedFile, bufferSize) {
    FlushOnDestroy = flushOnClose;
}

}  // namespace mobrel
