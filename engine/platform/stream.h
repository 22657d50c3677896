#pragma once
// The generic stream every part of the engine reads and writes through.
#include <cstdint>
#include <string>

namespace mobrel {

enum TSeekOrigin : int { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
  public:
    virtual ~TStream() = default;

    // Deliver up to count bytes; returns how many arrived (0 at the end).
    virtual int64_t Read(void* data, int64_t count) = 0;
    // Take up to count bytes; returns how many were taken (fewer when the medium is full).
    virtual int64_t Write(const void* data, int64_t count) = 0;
    // Move the position; returns the new position. An origin other than the three known
    // ones raises EGeneralError.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(int64_t size) = 0;
    virtual int64_t Size();

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t position) { Seek(position, soBeginning); }

    // All-or-nothing forms: a short transfer raises EStreamError.
    void ReadBuffer(void* data, int64_t count);
    void WriteBuffer(const void* data, int64_t count);
    // Copies count bytes (all remaining bytes when count is 0) from source; returns the
    // number copied.
    int64_t CopyFrom(TStream& source, int64_t count);
};

// Reads up to count bytes as text; fewer only at the end of the stream.
std::string ReadText(TStream& stream, size_t count);

}  // namespace mobrel
