#include "codecs/deflate_test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include "codecs/inflate.h"
#include "codecs/memory_decode_context.h"
#include "test_support.h"

namespace mobrel::test {

Compressed Compress(TDeflater& deflater, const Bytes& input, int level, size_t readPiece) {
    Compressed compressed;
    size_t position = 0;
    auto read = [&](uint8_t* buffer, size_t count) {
        size_t n = std::min(count, input.size() - position);
        if (readPiece > 0) {
            n = std::min(n, readPiece);
        }
        if (n > 0) {
            std::memcpy(buffer, input.data() + position, n);
        }
        position += n;
        return n;
    };
    auto write = [&](const uint8_t* buffer, size_t count) {
        compressed.Stream.insert(compressed.Stream.end(), buffer, buffer + count);
        compressed.WriteSizes.push_back(count);
    };
    compressed.Result = deflater.deflate(level, read, write);
    return compressed;
}

Compressed Compress(const Bytes& input, int level, size_t readPiece) {
    TDeflater deflater;
    return Compress(deflater, input, level, readPiece);
}

bool ZlibInflate(const Bytes& stream, size_t expectedSize, Bytes& output, std::string& error) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) {
        error = "inflateInit2 failed";
        return false;
    }
    output.assign(expectedSize + 1, 0);  // one spare byte shows output beyond the size
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = output.data();
    z.avail_out = static_cast<uInt>(output.size());
    const int rc = inflate(&z, Z_FINISH);
    output.resize(z.total_out);
    const bool ok = rc == Z_STREAM_END && z.avail_in == 0;
    if (!ok) {
        error = "zlib inflate rc " + std::to_string(rc) + (z.msg ? std::string(" ") + z.msg : "") +
                ", input left " + std::to_string(z.avail_in);
    }
    inflateEnd(&z);
    return ok;
}

bool OurInflate(const Bytes& stream, size_t expectedSize, Bytes& output) {
    TMemoryDecodeContext context(stream);
    context.Start(static_cast<int64_t>(expectedSize));
    const TInflateResult result = Inflate(context);
    output = context.Output();
    return result == irOk;
}

void ExpectRoundTrip(const Bytes& input, const Compressed& compressed, const std::string& what) {
    const TDeflateResult& result = compressed.Result;
    EXPECT_EQ(result.CompressedSize, compressed.Stream.size()) << what;
    EXPECT_EQ(result.UncompressedSize, input.size()) << what;
    if (result.CompressionMethod == cmStored) {
        EXPECT_TRUE(compressed.Stream == input) << what << ": stored entry differs";
        return;
    }
    ASSERT_EQ(result.CompressionMethod, cmDeflated) << what;
    Bytes zlibOutput;
    std::string error;
    EXPECT_TRUE(ZlibInflate(compressed.Stream, input.size(), zlibOutput, error))
        << what << ": " << error;
    EXPECT_TRUE(zlibOutput == input) << what << ": zlib's inflate gives other bytes";
    Bytes ourOutput;
    EXPECT_TRUE(OurInflate(compressed.Stream, input.size(), ourOutput)) << what;
    EXPECT_TRUE(ourOutput == input) << what << ": our inflate gives other bytes";
}

Bytes RandomBytes(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes(count);
    for (auto& b : bytes) {
        b = static_cast<uint8_t>(random());
    }
    return bytes;
}

Bytes WordText(size_t count, uint32_t seed) {
    static const char* const kWords[] = {
        "the ",   "archive ", "of ",  "a ",      "zip ",   "file ",    "holds ", "entries ",
        "each ",  "with ",    "its ", "name, ",  "date ",  "and ",     "size. ", "Deflate ",
        "finds ", "matches ", "in ",  "window ", "while ", "Huffman ", "codes ", "shrink\n"};
    std::mt19937 random(seed);
    Bytes text;
    while (text.size() < count) {
        const char* word = kWords[random() % std::size(kWords)];
        text.insert(text.end(), word, word + std::strlen(word));
    }
    text.resize(count);
    return text;
}

Bytes ReadWholeFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::filesystem::path> SmallCorpusFiles() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(CorpusDir() / "small")) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

int FirstBlockType(const Bytes& stream) {
    return stream.empty() ? -1 : (stream[0] >> 1) & 3;
}

}  // namespace mobrel::test
