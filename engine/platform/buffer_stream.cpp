#include "platform/buffer_stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "platform/engine_errors.h"
#include "platform/file_stream.h"

namespace mobrel {

TS_BufferStream::TS_BufferStream(TStream& source, int32_t bufferSize)
    : source_(source), bufferSize_(bufferSize) {
    if (bufferSize < 1) {
        throw EGeneralError("Invalid buffer size (" + std::to_string(bufferSize) + ")");
    }
    buffer_ = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(bufferSize));
    bufferEnd_ = buffer_.get() + bufferSize;
}

TS_BufferStream::~TS_BufferStream() {
    try {
        if (mode_ == TBufferMode::bmWriting) {
            FlushBuffer();
        }
        if (FlushOnDestroy && written_) {
            if (auto* file = dynamic_cast<TFileStream*>(&source_)) {
                file->Commit();
            }
        }
    } catch (...) {
        // Nothing can report it from here; an explicit FlushBuffer before destruction can.
    }
}

int64_t TS_BufferStream::BufferOffset() const {
    switch (mode_) {
        case TBufferMode::bmReading:
            return bufferPos_ - bufferEnd_;
        case TBufferMode::bmWriting:
            return bufferPos_ - buffer_.get();
        case TBufferMode::bmNone:
            break;
    }
    return 0;
}

bool TS_BufferStream::FillBuffer() {
    putBackFloor_ = nullptr;
    const int64_t count = source_.Read(buffer_.get(), bufferSize_);
    bufferPos_ = buffer_.get();
    bufferEnd_ = buffer_.get() + std::max<int64_t>(0, count);
    mode_ = count > 0 ? TBufferMode::bmReading : TBufferMode::bmNone;
    if (OnFillBuffer) {
        OnFillBuffer(*this);
    }
    return count > 0;
}

int64_t TS_BufferStream::WritePending() {
    const int64_t pending = bufferPos_ != nullptr ? bufferPos_ - buffer_.get() : 0;
    const int64_t taken = pending > 0 ? source_.Write(buffer_.get(), pending) : 0;
    bufferPos_ = buffer_.get();
    mode_ = TBufferMode::bmNone;
    if (OnFlushBuffer) {
        OnFlushBuffer(*this);
    }
    return taken;
}

bool TS_BufferStream::FlushBuffer() {
    // While reading, the buffer holds read-ahead: there is nothing to write, and writing it
    // back would put it after the read-ahead in the source.
    if (mode_ == TBufferMode::bmReading) {
        return true;
    }
    const int64_t pending = bufferPos_ != nullptr ? bufferPos_ - buffer_.get() : 0;
    return WritePending() == pending;
}

// An empty read buffer: the source's position is the logical one.
void TS_BufferStream::StartReading() {
    bufferPos_ = buffer_.get();
    bufferEnd_ = buffer_.get();
    mode_ = TBufferMode::bmNone;
}

// An empty write buffer at the logical position.
void TS_BufferStream::StartWriting() {
    if (mode_ == TBufferMode::bmReading) {
        source_.Seek(BufferOffset(), soCurrent);
    }
    bufferPos_ = buffer_.get();
    bufferEnd_ = buffer_.get() + bufferSize_;
    mode_ = TBufferMode::bmNone;
}

int64_t TS_BufferStream::Read(void* data, int64_t count) {
    if (mode_ == TBufferMode::bmWriting) {
        FlushBuffer();
    }
    // Without read-ahead bytes the buffer holds nothing worth delivering (after a flush it
    // still holds the bytes just written).
    if (mode_ != TBufferMode::bmReading) {
        StartReading();
    }
    auto* out = static_cast<uint8_t*>(data);
    int64_t delivered = 0;
    while (delivered < count) {
        if (bufferPos_ == bufferEnd_) {
            const int64_t wanted = count - delivered;
            if (wanted > bufferSize_) {
                // Whole buffers' worth goes straight to the caller; the last part still
                // passes through the buffer, so the byte read last can be put back.
                const int64_t direct = (wanted - 1) / bufferSize_ * bufferSize_;
                const int64_t n = source_.Read(out + delivered, direct);
                // The buffer no longer holds the bytes just before the source's position.
                bufferPos_ = buffer_.get();
                bufferEnd_ = buffer_.get();
                delivered += n;
                if (n < direct) {
                    break;
                }
                continue;
            }
            if (!FillBuffer()) {
                break;
            }
        }
        const int64_t n = std::min<int64_t>(count - delivered, bufferEnd_ - bufferPos_);
        std::memcpy(out + delivered, bufferPos_, static_cast<size_t>(n));
        bufferPos_ += n;
        delivered += n;
    }
    return delivered;
}

int64_t TS_BufferStream::Write(const void* data, int64_t count) {
    if (count <= 0) {
        return 0;
    }
    if (mode_ != TBufferMode::bmWriting) {
        StartWriting();
    }
    const auto* in = static_cast<const uint8_t*>(data);
    int64_t taken = 0;
    int64_t flushed = 0;  // bytes of this call that reached the source
    while (taken < count) {
        const int64_t n = std::min<int64_t>(count - taken, bufferEnd_ - bufferPos_);
        std::memcpy(bufferPos_, in + taken, static_cast<size_t>(n));
        bufferPos_ += n;
        taken += n;
        mode_ = TBufferMode::bmWriting;
        if (bufferPos_ == bufferEnd_) {
            const int64_t pending = bufferPos_ - buffer_.get();
            const int64_t ownPending = taken - flushed;
            const int64_t accepted = WritePending();
            if (accepted < pending) {
                // The source stopped taking bytes: count only this call's bytes it took.
                taken -= std::min(ownPending, pending - accepted);
                break;
            }
            flushed = taken;
        }
    }
    if (bufferPos_ != buffer_.get()) {
        mode_ = TBufferMode::bmWriting;
    }
    written_ = true;
    return taken;
}

int64_t TS_BufferStream::Seek(int64_t offset, TSeekOrigin origin) {
    const int64_t current = SourcePosition() + BufferOffset();
    int64_t target = 0;
    switch (origin) {
        case soBeginning:
            target = offset;
            break;
        case soCurrent:
            if (__builtin_add_overflow(current, offset, &target)) {
                throw EGeneralError("Seek error");
            }
            break;
        case soEnd: {
            const int64_t size = std::max(source_.Size(), current);
            const int64_t back = offset == std::numeric_limits<int64_t>::min()
                                     ? std::numeric_limits<int64_t>::max()
                                     : std::abs(offset);
            target = size - back;
            break;
        }
        default:
            throw EGeneralError("Invalid seek origin (" + std::to_string(int(origin)) + ")");
    }
    if (target == current) {
        return current;
    }
    if (mode_ == TBufferMode::bmReading) {
        // A target among the bytes read ahead is reached without asking the source: a
        // reader hopping from header to header through a file of small entries stays in the
        // buffer.
        const int64_t sourcePosition = current - BufferOffset();
        const int64_t bufferStart = sourcePosition - (bufferEnd_ - buffer_.get());
        if (target >= bufferStart && target <= sourcePosition) {
            bufferPos_ = buffer_.get() + (target - bufferStart);
            putBackFloor_ = bufferPos_;
            return target;
        }
    }
    if (mode_ == TBufferMode::bmWriting && !FlushBuffer()) {
        throw EGeneralError("Seek error");
    }
    bufferPos_ = nullptr;
    mode_ = TBufferMode::bmNone;
    return source_.Seek(target, soBeginning);
}

void TS_BufferStream::SetSize(int64_t size) {
    if (mode_ == TBufferMode::bmWriting && !FlushBuffer()) {
        throw EStreamError("Stream write error");
    }
    if (mode_ == TBufferMode::bmReading) {
        source_.Seek(BufferOffset(), soCurrent);
    }
    bufferPos_ = nullptr;
    mode_ = TBufferMode::bmNone;
    source_.SetSize(size);
}

int64_t TS_BufferStream::Size() {
    if (mode_ != TBufferMode::bmWriting) {
        return source_.Size();
    }
    return std::max(source_.Size(), SourcePosition() + BufferOffset());
}

void TS_BufferStream::PutBack(uint8_t byte) {
    // Only a byte read since the last seek can be put back.
    const uint8_t* floor = putBackFloor_ != nullptr ? putBackFloor_ : buffer_.get();
    if (mode_ != TBufferMode::bmReading || bufferPos_ <= floor) {
        throw EStreamError("Putback overflow");
    }
    --bufferPos_;
    *bufferPos_ = byte;
}

}  // namespace mobrel
