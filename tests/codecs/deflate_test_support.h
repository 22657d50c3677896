#pragma once
// Helpers of the compressor tests: compressing a byte vector with our deflater, and
// inflating the result with zlib (the oracle) and with our own decoder.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "codecs/deflater.h"

namespace mobrel::test {

using Bytes = std::vector<uint8_t>;

struct Compressed {
    Bytes Stream;
    TDeflateResult Result;
    std::vector<size_t> WriteSizes;  // the size of every call of the write routine
};

// Compresses input at level. readPiece > 0 makes the read routine hand out at most that
// many bytes per call, to show the output does not depend on how reads are split.
Compressed Compress(TDeflater& deflater, const Bytes& input, int level, size_t readPiece = 0);
Compressed Compress(const Bytes& input, int level, size_t readPiece = 0);

// Inflates a raw deflate stream with zlib; returns false (and a reason) when it is not a
// complete, valid stream or leaves input behind.
bool ZlibInflate(const Bytes& stream, size_t expectedSize, Bytes& output, std::string& error);
// Inflates with our own decoder; false unless it reports success.
bool OurInflate(const Bytes& stream, size_t expectedSize, Bytes& output);

// The entry's data as a reader sees it: the stream itself for a stored entry.
void ExpectRoundTrip(const Bytes& input, const Compressed& compressed, const std::string& what);

// Least significant bit first, as deflate packs its fields; Huffman codes go in reversed.
// Writes raw deflate streams by hand for the decoder tests.
class TBits {
  public:
    void Put(uint32_t value, unsigned count) {
        for (unsigned i = 0; i < count; ++i) {
            PutBit((value >> i) & 1);
        }
    }
    void PutCode(uint32_t code, unsigned length) {
        for (unsigned i = length; i-- > 0;) {
            PutBit((code >> i) & 1);
        }
    }
    const Bytes& Data() const { return bytes_; }
    size_t BitsUsed() const { return used_; }

  private:
    void PutBit(uint32_t bit) {
        if (used_ % 8 == 0) {
            bytes_.push_back(0);
        }
        bytes_.back() |= static_cast<uint8_t>(bit << (used_ % 8));
        ++used_;
    }
    Bytes bytes_;
    size_t used_ = 0;
};

Bytes RandomBytes(size_t count, uint32_t seed);
// English-like text from a small vocabulary: compresses well, mostly dynamic blocks.
Bytes WordText(size_t count, uint32_t seed);
Bytes ReadWholeFile(const std::filesystem::path& file);
// Every file of corpus/small, sorted by path.
std::vector<std::filesystem::path> SmallCorpusFiles();

// The deflate block type (0 stored, 1 fixed, 2 dynamic) of the stream's first block.
int FirstBlockType(const Bytes& stream);

}  // namespace mobrel::test
