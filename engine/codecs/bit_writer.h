#pragma once
// The compressor's output: bits packed from the least significant end into bytes, collected
// in a 1,024-byte buffer that drains through the write routine. The write routine is where
// the writer encrypts, counts and checks for cancel, so it runs per kilobyte, not per byte.
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>

#include "platform/byte_order.h"

namespace mobrel {

// Takes count bytes of compressed output. Failures are exceptions (a full disk, a cancel).
using TDeflateWriteRoutine = std::function<void(const uint8_t* buffer, size_t count)>;

class TBitWriter {
  public:
    static constexpr size_t kOutputBufferSize = 1024;

    // Starts a file: empty bit buffer, empty output buffer.
    void Start(const TDeflateWriteRoutine* write) {
        write_ = write;
        bitBuffer_ = 0;
        bitCount_ = 0;
        fill_ = 0;
        bytesWritten_ = 0;
    }

    // Bytes handed to the write routine since Start.
    uint64_t BytesWritten() const { return bytesWritten_; }

    // Appends the low `length` bits of value (length 1..32), least significant first.
    void WriteBits(uint32_t value, int length) {
        bitBuffer_ |= static_cast<uint64_t>(value) << bitCount_;
        bitCount_ += length;
        if (bitCount_ >= 32) {
            EmitWord(static_cast<uint32_t>(bitBuffer_));
            bitBuffer_ >>= 32;
            bitCount_ -= 32;
        }
    }

    // Pads the last partial byte with zero bits and hands everything buffered to the write
    // routine.
    void Align();
    // Aligns, then writes a stored block's length and its ones' complement.
    void WriteStoredHeader(uint16_t length);
    // Writes bytes unchanged, straight through the write routine (after Align).
    void WriteRaw(const uint8_t* data, size_t count);

  private:
    void EmitWord(uint32_t word) {
        if (kOutputBufferSize - fill_ < 4) {
            Drain();
        }
        StoreU32(buffer_ + fill_, word);
        fill_ += 4;
    }
    void EmitByte(uint8_t byte);
    void Drain();

    const TDeflateWriteRoutine* write_ = nullptr;
    uint64_t bitBuffer_ = 0;
    int bitCount_ = 0;
    size_t fill_ = 0;
    uint64_t bytesWritten_ = 0;
    uint8_t buffer_[kOutputBufferSize];
};

}  // namespace mobrel
