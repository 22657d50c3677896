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

Bytes RandomBytes(size_t count, uint32_t seed);
// English-like text from a small vocabulary: compresses well, mostly dynamic blocks.
Bytes WordText(size_t count, uint32_t seed);
Bytes ReadWholeFile(const std::filesystem::path& file);
// Every file of corpus/small, sorted by path.
std::vector<std::filesystem::path> SmallCorpusFiles();

// The deflate block type (0 stored, 1 fixed, 2 dynamic) of the stream's first block.
int FirstBlockType(const Bytes& stream);

}  // namespace mobrel::test
