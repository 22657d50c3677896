#pragma once
// The decoding context that every decoder of one entry works in: the input reader (the
// entry's compressed bytes, refilled 32 KB at a time and decrypted when the entry is
// encrypted), the bit reader of the older decoders, the shared window buffer and the
// output side (FlushOutput hands decoded bytes to the target and keeps the CRC register
// and the count of bytes delivered).
//
// Where the bytes come from and where they go is the business of a derived class: the
// extraction step reads the archive (with its cancel check and next-disk continuation)
// and writes a file or memory; tests, benchmarks and fuzzers use TMemoryDecodeContext.
// The buffers are allocated once per context and reused for every entry.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace mobrel {

class TDataDecryptor;

class TDecodeContext {
  public:
    // Input is read and output flushed in pieces of at most this size.
    static constexpr size_t kBlockSize = 32768;
    // The older decoders' work space (window, code tables, follower sets).
    static constexpr size_t kWindowBufferSize = 32780;
    // Inflate keeps 32 KB of history in front of the 32 KB it is producing, plus room
    // for one match that runs past the end; the older decoders use the front part.
    static constexpr size_t kInflateWindowSize = 2 * kBlockSize + 512;
    // Deflate64 keeps 64 KB of history in front of the 32 KB it is producing, plus room for
    // its longest match (65,538 bytes) running past the end; see ReserveWindow.
    static constexpr size_t kDeflate64WindowSize = 2 * 65536 + kBlockSize + 512;

    TDecodeContext();
    virtual ~TDecodeContext();
    TDecodeContext(const TDecodeContext&) = delete;
    TDecodeContext& operator=(const TDecodeContext&) = delete;

    // Resets every counter for a new entry: the compressed bytes the decoder may take
    // (after any encryption header), the declared uncompressed size, the bit reader,
    // both buffers and the CRC register (0xFFFFFFFF).
    void BeginEntry(int64_t compressedSize, int64_t uncompressedSize);
    // What decrypts every block read, continuing from the state the encryption header
    // left (the traditional cipher's keys or the AES stream); nullptr for an entry that is
    // not encrypted. Not owned.
    void SetCipher(TDataDecryptor* cipher) { cipher_ = cipher; }

    int64_t CompressedBytesLeft() const { return archiveBytesLeft_ + inputCount_; }
    int64_t UncompressedSize() const { return uncompressedSize_; }
    int64_t BytesDelivered() const { return bytesDelivered_; }
    uint32_t CrcRegister() const { return crc_; }
    // The register complemented: the value to compare with the entry's CRC32.
    uint32_t FinishedCrc() const { return ~crc_; }

    // --- Input ---
    // Delivers the next compressed byte: 8 when one was delivered, 0 at the end of the
    // entry's data (b is then left unchanged).
    int ReadInputByte(uint8_t& b);
    // Hands out every unread byte of the input buffer at once (refilling it first when
    // it is empty) and counts them as taken; 0 at the end of the entry's data.
    size_t TakeInput(const uint8_t*& data);
    // Reads the next piece (at most kBlockSize bytes) of compressed data straight into
    // buffer, decrypted; for the stored method, which needs no input buffer.
    size_t ReadCompressedBlock(uint8_t* buffer);
    // Reads (and decrypts) whatever of the entry's data the decoder left in the archive, so
    // that an authenticated entry's code covers all of it; the bytes are dropped.
    void ReadRemainingInput();

    // --- Bit reader of the older decoders (least significant bit first) ---
    uint32_t BitBuffer() const { return static_cast<uint32_t>(bitBuffer_); }
    unsigned BitCount() const { return bitCount_; }
    // Set by FillBitBuffer when it could not get a single byte.
    bool EndOfInput() const { return endOfInput_; }
    // True once a bit beyond the entry's data has been consumed (not merely looked at):
    // the decoder is then reading invented zeros and should stop.
    bool PastEnd() const { return pastEnd_; }
    // Makes at least n bits (n <= 24) present; past the end of the data the missing
    // bytes count as present and read as zero bits.
    void NeedBits(unsigned n);
    void DumpBits(unsigned n);
    // Fills the bit buffer up to at least 25 bits while input lasts.
    void FillBitBuffer();
    // The next n bits (n <= 24), removed from the buffer.
    uint32_t ReadBits(unsigned n);

    // --- Window and output ---
    // The shared window buffer (kInflateWindowSize bytes or what ReserveWindow asked for,
    // zeroed once at allocation).
    uint8_t* Window() { return window_.get(); }
    // Grows the window to at least size bytes (its contents are then lost); a context
    // only pays for the larger window once a decoder that needs it has run.
    void ReserveWindow(size_t size);
    uint8_t* OutputBuffer() { return output_.get(); }
    size_t OutputCount() const { return outputCount_; }
    // For a decoder that wrote into OutputBuffer() itself (at most kBlockSize bytes).
    void SetOutputCount(size_t count) { outputCount_ = count < kBlockSize ? count : kBlockSize; }
    // Stores one decoded byte in the output buffer, flushing when it holds kBlockSize.
    void PutOutputByte(uint8_t b) {
        output_[outputCount_++] = b;
        if (outputCount_ >= kBlockSize) {
            FlushOutput();
        }
    }
    // Appends count bytes to the output, flushing whenever kBlockSize bytes have
    // gathered. Whole pieces go to the target straight from data when nothing is pending.
    void DeliverOutput(const uint8_t* data, size_t count);
    // The first count bytes of the window to the output.
    void SlideToOutput(size_t count) { DeliverOutput(window_.get(), count); }
    // Hands the pending output bytes to the target, folds them into the CRC register and
    // counts them. Raises what the target raises (EBiggerThanUncompressed,
    // ECantWriteUCF); nothing happens when no byte is pending.
    void FlushOutput();

  protected:
    // Reads count bytes (1..kBlockSize, never more than the entry has left) of the
    // entry's raw archive data into buffer. Runs the cancel check first; delivers all
    // count bytes or raises (EFatalUnzipError, EUserCanceled).
    virtual void ReadArchive(uint8_t* buffer, size_t count) = 0;
    // Takes decoded bytes to the target; raises EBiggerThanUncompressed when more come
    // out than the entry declares, ECantWriteUCF on a short write.
    virtual void WriteTarget(const uint8_t* data, size_t count) = 0;
    // Called after every flush, for the progress events.
    virtual void OutputFlushed(size_t count) { (void)count; }

  private:
    void FlushBytes(const uint8_t* data, size_t count);
    bool RefillInput();

    std::unique_ptr<uint8_t[]> window_;
    size_t windowSize_ = kInflateWindowSize;
    std::unique_ptr<uint8_t[]> input_;
    std::unique_ptr<uint8_t[]> output_;
    TDataDecryptor* cipher_ = nullptr;

    int64_t archiveBytesLeft_ = 0;
    int64_t uncompressedSize_ = 0;
    int64_t bytesDelivered_ = 0;
    size_t inputPos_ = 0;
    size_t inputCount_ = 0;
    size_t outputCount_ = 0;
    uint32_t crc_ = 0xFFFFFFFFu;

    uint64_t bitBuffer_ = 0;
    unsigned bitCount_ = 0;
    unsigned phantomBits_ = 0;  // the top bits of the buffer that no input byte supplied
    bool endOfInput_ = false;
    bool pastEnd_ = false;
};

}  // namespace mobrel
