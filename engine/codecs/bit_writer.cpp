#include "codecs/bit_writer.h"

namespace mobrel {

void TBitWriter::Align() {
    while (bitCount_ > 0) {
        EmitByte(static_cast<uint8_t>(bitBuffer_));
        bitBuffer_ >>= 8;
        bitCount_ -= 8;
    }
    bitBuffer_ = 0;
    bitCount_ = 0;
    Drain();
}

void TBitWriter::WriteStoredHeader(uint16_t length) {
    Align();
    const uint16_t complement = static_cast<uint16_t>(~length);
    EmitByte(static_cast<uint8_t>(length));
    EmitByte(static_cast<uint8_t>(length >> 8));
    EmitByte(static_cast<uint8_t>(complement));
    EmitByte(static_cast<uint8_t>(complement >> 8));
    Drain();
}

void TBitWriter::WriteRaw(const uint8_t* data, size_t count) {
    if (count > 0) {
        bytesWritten_ += count;
        (*write_)(data, count);
    }
}

void TBitWriter::EmitByte(uint8_t byte) {
    if (fill_ == kOutputBufferSize) {
        Drain();
    }
    buffer_[fill_++] = byte;
}

void TBitWriter::Drain() {
    if (fill_ > 0) {
        const size_t count = fill_;
        fill_ = 0;
        bytesWritten_ += count;
        (*write_)(buffer_, count);
    }
}

}  // namespace mobrel
