#pragma once
// A stream with one fixed-size buffer in front of another stream, so that the engine's many
// small reads and writes (a 30-byte header, a name, single bytes while scanning) cost one
// call on the underlying stream per buffer.
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/stream.h"

namespace mobrel {

// What the buffer holds: nothing pending, bytes read ahead from the source, or bytes not
// yet written to it.
enum class TBufferMode : uint8_t { bmNone = 0, bmReading = 1, bmWriting = 2 };

// The source's position is the position of the buffer's first byte plus, while reading,
// the number of valid bytes (the logical position lies before it), and while writing the
// position of the buffer's first byte (the logical position lies after it).
class TS_BufferStream : public TStream {
  public:
    // source is not owned and must outlive this stream. bufferSize must be at least 1
    // (EGeneralError otherwise).
    TS_BufferStream(TStream& source, int32_t bufferSize);
    // Writes out pending bytes and, with FlushOnDestroy after a write over a file stream,
    // commits the file to the disk. Never raises: a failure here can't be reported.
    ~TS_BufferStream() override;
    TS_BufferStream(const TS_BufferStream&) = delete;
    TS_BufferStream& operator=(const TS_BufferStream&) = delete;

    // A short read of the source ends the read early. A read larger than the buffer takes
    // its whole buffers' worth from the source directly and only the rest through a fill.
    int64_t Read(void* data, int64_t count) override;
    // Returns the number of bytes that reached the source or wait in the buffer. When the
    // source takes fewer bytes than a flush offers, the bytes it did not take are not
    // counted (they are gone from the buffer).
    int64_t Write(const void* data, int64_t count) override;
    // Origin soEnd counts back from the end whatever the offset's sign: -22 and +22 both
    // mean 22 bytes before the end. A seek to the current position keeps the buffer.
    // Another origin raises EGeneralError "Invalid seek origin (N)"; a failed flush of
    // pending bytes raises EGeneralError "Seek error".
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    // Writes out pending bytes first, then sets the source's size.
    void SetSize(int64_t size) override;
    // The source's size, counting bytes that wait in the buffer; moves nothing.
    int64_t Size() override;

    // Reads up to BufferSize bytes ahead; false when the source gave none.
    virtual bool FillBuffer();
    // Writes the pending bytes to the source; false when it took fewer than all of them.
    virtual bool FlushBuffer();
    // Makes the next read deliver byte first. Only a byte just read can be put back:
    // otherwise EStreamError "Putback overflow".
    virtual void PutBack(uint8_t byte);

    TStream& Source() const { return source_; }
    int32_t BufferSize() const { return bufferSize_; }
    TBufferMode Mode() const { return mode_; }
    bool Written() const { return written_; }
    // How far the logical position lies from the source's: 0 or negative while reading,
    // the pending byte count while writing.
    int64_t BufferOffset() const;

    // Commit the file to the disk on destruction (only after a write over a TFileStream).
    bool FlushOnDestroy = false;
    // Called after every fill and every flush.
    std::function<void(TS_BufferStream& sender)> OnFillBuffer;
    std::function<void(TS_BufferStream& sender)> OnFlushBuffer;

  private:
    void StartReading();
    void StartWriting();
    // Writes the pending bytes; returns how many the source took.
    int64_t WritePending();
    int64_t SourcePosition() { return source_.Seek(0, soCurrent); }

    TStream& source_;
    int32_t bufferSize_;
    std::unique_ptr<uint8_t[]> buffer_;
    uint8_t* bufferPos_ = nullptr;  // none until the first read or write after a seek
    uint8_t* bufferEnd_ = nullptr;
    // Where a seek within the read-ahead landed: no byte before it was read since.
    const uint8_t* putBackFloor_ = nullptr;
    TBufferMode mode_ = TBufferMode::bmNone;
    bool written_ = false;
};

}  // namespace mobrel
