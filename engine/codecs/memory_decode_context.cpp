#include "codecs/memory_decode_context.h"

#include <algorithm>
#include <cstring>

#include "platform/engine_errors.h"

namespace mobrel {

void TMemoryDecodeContext::Start(int64_t compressedSize, int64_t outputLimit) {
    BeginEntry(compressedSize, outputLimit);
    readPosition_ = 0;
    outputLimit_ = outputLimit;
    written_ = 0;
    output_.clear();
    flushCount_ = 0;
}

void TMemoryDecodeContext::ReadArchive(uint8_t* buffer, size_t count) {
    const size_t available = archive_.size() - std::min(readPosition_, archive_.size());
    const size_t piece = std::min(count, available);
    if (piece > 0) {
        std::memcpy(buffer, archive_.data() + readPosition_, piece);
    }
    readPosition_ += piece;
    if (piece < count) {
        throw EFatalUnzipError("Premature end of file reached");
    }
}

void TMemoryDecodeContext::WriteTarget(const uint8_t* data, size_t count) {
    if (static_cast<int64_t>(count) > outputLimit_ - written_) {
        throw EBiggerThanUncompressed("File is larger than uncompressed size!");
    }
    written_ += static_cast<int64_t>(count);
    if (keepOutput_) {
        output_.insert(output_.end(), data, data + count);
    }
}

void TMemoryDecodeContext::OutputFlushed(size_t count) {
    (void)count;
    ++flushCount_;
}

}  // namespace mobrel
