#include "codecs/decode_context.h"

#include <algorithm>
#include <cstring>

#include "codecs/crc32.h"
#include "codecs/data_decryptor.h"

namespace mobrel {

TDecodeContext::TDecodeContext()
    : window_(new uint8_t[kInflateWindowSize]()),
      input_(new uint8_t[kBlockSize + 1]()),
      output_(new uint8_t[kBlockSize + 1]()) {}

TDecodeContext::~TDecodeContext() = default;

void TDecodeContext::ReserveWindow(size_t size) {
    if (size > windowSize_) {
        window_.reset(new uint8_t[size]());
        windowSize_ = size;
    }
}

void TDecodeContext::BeginEntry(int64_t compressedSize, int64_t uncompressedSize) {
    archiveBytesLeft_ = std::max<int64_t>(compressedSize, 0);
    uncompressedSize_ = uncompressedSize;
    bytesDelivered_ = 0;
    inputPos_ = 0;
    inputCount_ = 0;
    outputCount_ = 0;
    crc_ = kCrcInitial;
    bitBuffer_ = 0;
    bitCount_ = 0;
    phantomBits_ = 0;
    endOfInput_ = false;
    pastEnd_ = false;
}

size_t TDecodeContext::ReadCompressedBlock(uint8_t* buffer) {
    const size_t count =
        static_cast<size_t>(std::min<int64_t>(archiveBytesLeft_, static_cast<int64_t>(kBlockSize)));
    if (count == 0) {
        return 0;
    }
    archiveBytesLeft_ -= static_cast<int64_t>(count);
    ReadArchive(buffer, count);
    if (cipher_ != nullptr) {
        cipher_->Decrypt(buffer, count);
    }
    return count;
}

void TDecodeContext::ReadRemainingInput() {
    // The input buffer is free: what it held was decrypted when it was read.
    inputPos_ = 0;
    inputCount_ = 0;
    while (ReadCompressedBlock(input_.get()) > 0) {
    }
}

bool TDecodeContext::RefillInput() {
    inputPos_ = 0;
    inputCount_ = ReadCompressedBlock(input_.get());
    return inputCount_ > 0;
}

int TDecodeContext::ReadInputByte(uint8_t& b) {
    if (inputCount_ == 0 && !RefillInput()) {
        return 0;
    }
    b = input_[inputPos_++];
    --inputCount_;
    return 8;
}

size_t TDecodeContext::TakeInput(const uint8_t*& data) {
    if (inputCount_ == 0 && !RefillInput()) {
        return 0;
    }
    data = input_.get() + inputPos_;
    const size_t count = inputCount_;
    inputPos_ += count;
    inputCount_ = 0;
    return count;
}

void TDecodeContext::NeedBits(unsigned n) {
    while (bitCount_ < n) {
        uint8_t b = 0;
        if (phantomBits_ > 0 || ReadInputByte(b) == 0) {
            phantomBits_ += 8;
        }
        bitBuffer_ |= static_cast<uint64_t>(b) << bitCount_;
        bitCount_ += 8;
    }
}

void TDecodeContext::DumpBits(unsigned n) {
    if (n > bitCount_ - phantomBits_) {
        pastEnd_ = true;
    }
    n = std::min(n, bitCount_);
    bitBuffer_ >>= n;
    bitCount_ -= n;
    phantomBits_ = std::min(phantomBits_, bitCount_);
}

void TDecodeContext::FillBitBuffer() {
    endOfInput_ = true;
    uint8_t b = 0;
    while (bitCount_ < 25 && ReadInputByte(b) != 0) {
        bitBuffer_ |= static_cast<uint64_t>(b) << bitCount_;
        bitCount_ += 8;
        endOfInput_ = false;
    }
}

uint32_t TDecodeContext::ReadBits(unsigned n) {
    if (bitCount_ < n && phantomBits_ == 0) {
        FillBitBuffer();
    }
    const uint32_t value = static_cast<uint32_t>(bitBuffer_ & ((uint64_t{1} << n) - 1));
    DumpBits(n);
    return value;
}

void TDecodeContext::DeliverOutput(const uint8_t* data, size_t count) {
    while (count > 0) {
        if (outputCount_ == 0 && count >= kBlockSize) {
            FlushBytes(data, kBlockSize);
            data += kBlockSize;
            count -= kBlockSize;
            continue;
        }
        const size_t piece = std::min(count, kBlockSize - outputCount_);
        std::memcpy(output_.get() + outputCount_, data, piece);
        outputCount_ += piece;
        data += piece;
        count -= piece;
        if (outputCount_ >= kBlockSize) {
            FlushOutput();
        }
    }
}

void TDecodeContext::FlushOutput() {
    // The count is cleared before the target sees the bytes, so a decoder that goes on
    // after a failed flush can never write past the buffer.
    const size_t count = outputCount_;
    outputCount_ = 0;
    FlushBytes(output_.get(), count);
}

void TDecodeContext::FlushBytes(const uint8_t* data, size_t count) {
    if (count == 0) {
        return;
    }
    WriteTarget(data, count);
    crc_ = UpdateCRCBuffer(crc_, data, count);
    bytesDelivered_ += static_cast<int64_t>(count);
    OutputFlushed(count);
}

}  // namespace mobrel
