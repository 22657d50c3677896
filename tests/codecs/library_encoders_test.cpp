// The library encoders (bzip2, LZMA, XZ, Zstandard) as the writer drives them: what they write
// must decode to the original with each format's own standalone tool, stay within the bound
// the writer reserves ZIP64 by, and carry the header details zip readers rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "codecs/compress_by_method.h"
#include "format/compression_method.h"
#include "platform/engine_errors.h"
#include "test_support.h"
#include "writer/zipper_test_support.h"

namespace mobrel::test {
namespace {

struct Encoded {
    std::string Data;
    TEncodeResult Result;
};

// Compresses input handing it out in pieces of at most `piece` bytes, as a file read in
// uneven parts would come.
Encoded Encode(uint16_t method, const std::string& input, int level, int64_t sizeHint,
               size_t piece = 7000) {
    Encoded encoded;
    size_t offset = 0;
    const TEncodeReadRoutine read = [&](uint8_t* buffer, size_t count) {
        const size_t n = std::min({count, piece, input.size() - offset});
        std::copy_n(input.data() + offset, n, buffer);
        offset += n;
        return n;
    };
    const TEncodeWriteRoutine write = [&](const uint8_t* buffer, size_t count) {
        encoded.Data.append(reinterpret_cast<const char*>(buffer), count);
    };
    encoded.Result = CompressByMethod(method, level, sizeHint, read, write);
    return encoded;
}

// Decodes with the format's standalone tool; an LZMA entry's raw stream with Python's lzma
// module, which must also find the end marker right at the end of the data.
std::string DecodeWithPeer(uint16_t method, const std::string& data) {
    TempDir temp;
    WriteFileText(temp / "data", data);
    const std::string file = ShellQuote((temp / "data").string());
    const std::string out = ShellQuote((temp / "out").string());
    std::string command;
    switch (method) {
        case cmBzip2:
            command = "bzip2 -dc " + file;
            break;
        case cmXz:
            command = "xz -dc " + file;
            break;
        case cmZstd:
            command = "zstd -qdc " + file;
            break;
        default:
            command =
                "python3 -c 'import lzma,sys\n"
                "d=open(sys.argv[1],\"rb\").read()\n"
                "assert d[2:4]==b\"\\x05\\x00\"\n"
                "f=lzma._decode_filter_properties(lzma.FILTER_LZMA1,d[4:9])\n"
                "x=lzma.LZMADecompressor(lzma.FORMAT_RAW,filters=[f])\n"
                "o=x.decompress(d[9:])\n"
                "assert x.eof and not x.unused_data, \"no end marker at the end\"\n"
                "sys.stdout.buffer.write(o)' " +
                file;
    }
    const CommandResult result = RunCommand(command + " > " + out);
    EXPECT_EQ(result.ExitCode, 0) << command << "\n" << result.Output;
    const std::vector<uint8_t> bytes = ReadFileBytes(temp / "out");
    return std::string(bytes.begin(), bytes.end());
}

class LibraryEncoder : public testing::TestWithParam<uint16_t> {};

TEST_P(LibraryEncoder, PeerDecodesEmptyTextAndIncompressibleInputsWithinTheBound) {
    const uint16_t method = GetParam();
    const std::string inputs[] = {"", CompressibleText(300000), RandomBytes(1200000, 11)};
    for (const std::string& input : inputs) {
        for (int level : {1, 9}) {
            // A known size and an unknown one give the same guarantees.
            for (int64_t hint : {static_cast<int64_t>(input.size()), kUnknownSize}) {
                SCOPED_TRACE(CompressionMethodName(method) + " size " +
                             std::to_string(input.size()) + " level " + std::to_string(level) +
                             " hint " + std::to_string(hint));
                const Encoded encoded = Encode(method, input, level, hint);
                EXPECT_EQ(encoded.Result.UncompressedSize, input.size());
                EXPECT_EQ(encoded.Result.CompressedSize, encoded.Data.size());
                EXPECT_LE(encoded.Data.size(), LargestCompressedSize(input.size()));
                EXPECT_TRUE(DecodeWithPeer(method, encoded.Data) == input);
                if (input.size() == 300000) {
                    EXPECT_LT(encoded.Data.size(), input.size() / 10);
                }
                EXPECT_EQ(encoded.Result.GeneralPurposeFlags, method == cmLzma ? 2 : 0);
            }
        }
    }
}

TEST_P(LibraryEncoder, HigherLevelsCompressTextAtLeastAsWell) {
    const std::vector<uint8_t> bytes =
        ReadFileBytes(CorpusDir() / "full/web/libs/three-0.160.0/three.module.js");
    const std::string input(bytes.begin(), bytes.end());
    const size_t fast = Encode(GetParam(), input, 1, std::ssize(input)).Data.size();
    const size_t best = Encode(GetParam(), input, 9, std::ssize(input)).Data.size();
    EXPECT_LE(best, fast);
}

// The writer stops a file by raising from its write routine (cancel, full disk); the
// exception must arrive as it was raised, and the library's state is released on the way
// (the sanitizer build checks the release).
TEST_P(LibraryEncoder, ExceptionFromTheWriteRoutinePassesThrough) {
    const std::string input = RandomBytes(500000, 3);
    size_t offset = 0;
    const TEncodeReadRoutine read = [&](uint8_t* buffer, size_t count) {
        const size_t n = std::min(count, input.size() - offset);
        std::copy_n(input.data() + offset, n, buffer);
        offset += n;
        return n;
    };
    const TEncodeWriteRoutine write = [](const uint8_t*, size_t) { throw EUserCanceled("stop"); };
    EXPECT_THROW(CompressByMethod(GetParam(), 6, std::ssize(input), read, write), EUserCanceled);
}

INSTANTIATE_TEST_SUITE_P(Methods, LibraryEncoder, testing::Values(cmBzip2, cmLzma, cmXz, cmZstd),
                         [](const testing::TestParamInfo<uint16_t>& info) {
                             return CompressionMethodName(info.param);
                         });

TEST(LibraryEncoderHeaders, LevelsChooseBzip2BlockSizeAndLzmaDictionaryFitsTheFile) {
    const std::string text = CompressibleText(5000);
    EXPECT_EQ(Encode(cmBzip2, text, 1, kUnknownSize).Data.substr(0, 4), "BZh1");
    EXPECT_EQ(Encode(cmBzip2, text, 9, kUnknownSize).Data.substr(0, 4), "BZh9");
    EXPECT_EQ(Encode(cmBzip2, text, 42, kUnknownSize).Data.substr(0, 4), "BZh9");

    // Version 9.20, 5 property bytes: lc=3 lp=0 pb=2, then the dictionary size, 8 KiB for
    // a 5,000-byte file, the preset's 8 MiB when the size is not known.
    const std::string known = Encode(cmLzma, text, 6, std::ssize(text)).Data;
    EXPECT_EQ(known.substr(0, 9), std::string("\x09\x14\x05\x00\x5d\x00\x20\x00\x00", 9));
    const std::string unknown = Encode(cmLzma, text, 6, kUnknownSize).Data;
    EXPECT_EQ(unknown.substr(4, 5), std::string("\x5d\x00\x00\x80\x00", 5));
}

TEST(LibraryEncoderHeaders,
     ZstandardFrameCarriesAKnownSizeKeepsAModestWindowAndRefusesAFileThatChanged) {
    const std::string text = CompressibleText(100000);
    TempDir temp;
    WriteFileText(temp / "known.zst", Encode(cmZstd, text, 9, std::ssize(text)).Data);
    const CommandResult listed =
        RunCommand("zstd -lv " + ShellQuote((temp / "known.zst").string()));
    EXPECT_NE(listed.Output.find("Decompressed Size: 97.7 KiB (100000 B)"), std::string::npos)
        << listed.Output;
    // Without a size the frame names its window: the highest level's 8 MiB, which readers
    // that cap the window accept.
    WriteFileText(temp / "unknown.zst", Encode(cmZstd, text, 9, kUnknownSize).Data);
    const CommandResult window =
        RunCommand("zstd -lv " + ShellQuote((temp / "unknown.zst").string()));
    EXPECT_NE(window.Output.find("Window Size: 8.00 MiB (8388608 B)"), std::string::npos)
        << window.Output;
    // A file that gives fewer bytes than it had when it was measured.
    EXPECT_THROW(Encode(cmZstd, text, 3, std::ssize(text) + 10), EStreamError);
}

TEST(LibraryEncoderHeaders, DeflateAndStoredHaveNoLibraryEncoder) {
    EXPECT_FALSE(HasLibraryEncoder(cmDeflated));
    EXPECT_FALSE(HasLibraryEncoder(cmStored));
    EXPECT_THROW(Encode(cmDeflated, "x", 6, 1), EGeneralError);
}

}  // namespace
}  // namespace mobrel::test
