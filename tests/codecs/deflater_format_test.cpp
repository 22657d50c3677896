// The decisions that shape the entry: stored or deflated, stored blocks, fixed codes on a
// tie, the text mark, the flags, and how output leaves through the write routine.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>

#include "codecs/deflate_test_support.h"

namespace mobrel::test {
namespace {

TEST(DeflaterFormat, EmptyInputBecomesAnEmptyStoredTextEntry) {
    for (int level = 1; level <= 9; ++level) {
        const Compressed compressed = Compress(Bytes{}, level);
        EXPECT_EQ(compressed.Result.CompressionMethod, cmStored) << level;
        EXPECT_EQ(compressed.Result.CompressedSize, 0u) << level;
        EXPECT_TRUE(compressed.WriteSizes.empty()) << level;
        EXPECT_EQ(compressed.Result.InternalAttributes, kAttributesText) << level;
    }
}

// Up to one block (32,767 tallied symbols) the whole file can be stored.
TEST(DeflaterFormat, SmallIncompressibleInputIsStoredWholeWithoutBlockHeaders) {
    for (size_t size : {size_t{1}, size_t{2}, size_t{100}, size_t{5000}, size_t{32000}}) {
        const Bytes input = RandomBytes(size, static_cast<uint32_t>(size));
        const Compressed compressed = Compress(input, 6);
        EXPECT_EQ(compressed.Result.CompressionMethod, cmStored) << size;
        EXPECT_EQ(compressed.Result.CompressedSize, size) << size;
        EXPECT_TRUE(compressed.Stream == input) << size;
    }
}

TEST(DeflaterFormat, LargeIncompressibleInputKeepsDeflateWithStoredBlocks) {
    const Bytes input = RandomBytes(300000, 17);
    for (int level : {1, 6, 9}) {
        const Compressed compressed = Compress(input, level);
        EXPECT_EQ(compressed.Result.CompressionMethod, cmDeflated);
        EXPECT_EQ(FirstBlockType(compressed.Stream), btStored);
        // Stored blocks cost 5 bytes per block of at most 64 KB.
        EXPECT_LE(compressed.Stream.size(), input.size() + 5 * (input.size() / 30000 + 2));
        ExpectRoundTrip(input, compressed, "random level " + std::to_string(level));
    }
}

TEST(DeflaterFormat, TextAndBinaryMarkFollowTheFirstBlocksBytes) {
    EXPECT_EQ(Compress(WordText(10000, 1), 6).Result.InternalAttributes, kAttributesText);
    EXPECT_EQ(Compress(RandomBytes(10000, 1), 6).Result.InternalAttributes, kAttributesBinary);

    // Binary when bytes 0..6 and 128..255 outnumber a quarter of bytes 7..127. Random
    // bytes leave hardly any matches, so the literal counts are close to the byte counts.
    auto mixture = [](int textBytes, int binaryBytes) {
        std::mt19937 random(8);
        Bytes bytes;
        for (int i = 0; i < textBytes; ++i) {
            bytes.push_back(static_cast<uint8_t>(7 + random() % 121));
        }
        for (int i = 0; i < binaryBytes; ++i) {
            const uint32_t r = random() % 135;
            bytes.push_back(static_cast<uint8_t>(r < 7 ? r : 128 + (r - 7)));
        }
        std::shuffle(bytes.begin(), bytes.end(), random);
        return bytes;
    };
    EXPECT_EQ(Compress(mixture(4000, 900), 6).Result.InternalAttributes, kAttributesText);
    EXPECT_EQ(Compress(mixture(4000, 1100), 6).Result.InternalAttributes, kAttributesBinary);
}

TEST(DeflaterFormat, FlagBitsTellTheLevel) {
    const Bytes input = WordText(5000, 2);
    const uint16_t expected[10] = {0, 4, 4, 0, 0, 0, 0, 0, 2, 2};
    for (int level = 1; level <= 9; ++level) {
        EXPECT_EQ(Compress(input, level).Result.GeneralPurposeFlags, expected[level]) << level;
    }
}

TEST(DeflaterFormat, OutputLeavesInPiecesOfAtMostOneKilobyte) {
    const Bytes input = WordText(400000, 4);
    const Compressed compressed = Compress(input, 6);
    ASSERT_GT(compressed.WriteSizes.size(), 10u);
    size_t total = 0;
    size_t fullPieces = 0;
    for (size_t size : compressed.WriteSizes) {
        EXPECT_GT(size, 0u);
        EXPECT_LE(size, 1024u);
        fullPieces += size == 1024 ? 1 : 0;
        total += size;
    }
    EXPECT_EQ(total, compressed.Stream.size());
    EXPECT_GE(fullPieces + 2, compressed.WriteSizes.size());  // short only at the end
}

TEST(DeflaterFormat, ShortBlockOfRepeatedTextUsesFixedCodes) {
    // With so few symbols the dynamic trees' description costs more than fixed codes save.
    const std::string text = "abcabcabcabc hello hello hello";
    const Compressed compressed = Compress(Bytes(text.begin(), text.end()), 6);
    EXPECT_EQ(compressed.Result.CompressionMethod, cmDeflated);
    EXPECT_EQ(FirstBlockType(compressed.Stream), btFixed);
}

TEST(DeflaterFormat, TiedFixedAndDynamicEstimatesGoToFixedCodes) {
    // Found by search: for this input both codings come to 32 bytes (dynamic trees and
    // their description against fixed codes), so the tie rule alone picks the block type.
    const std::string text = R"(#%(((!$"&)%%%%('#%)#'&!(#'(('#%)%!")";
    const Compressed compressed = Compress(Bytes(text.begin(), text.end()), 6);
    EXPECT_EQ(compressed.Result.CompressionMethod, cmDeflated);
    EXPECT_EQ(FirstBlockType(compressed.Stream), btFixed);
    EXPECT_EQ(compressed.Stream.size(), 32u);
}

TEST(DeflaterFormat, WriteFailuresEndTheCompressionAndPassThrough) {
    const Bytes input = WordText(200000, 5);
    TDeflater deflater;
    size_t position = 0;
    int writes = 0;
    auto read = [&](uint8_t* buffer, size_t count) {
        const size_t n = std::min(count, input.size() - position);
        std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(position), n, buffer);
        position += n;
        return n;
    };
    auto failingWrite = [&](const uint8_t*, size_t) {
        if (++writes == 3) {
            throw std::runtime_error("disk full");
        }
    };
    EXPECT_THROW(deflater.deflate(6, read, failingWrite), std::runtime_error);
    // The same object then compresses the next file as if nothing had happened.
    const Compressed again = Compress(deflater, input, 6);
    EXPECT_TRUE(again.Stream == Compress(input, 6).Stream);
    ExpectRoundTrip(input, again, "after a failed write");
}

TEST(DeflaterFormat, ReadErrorValueEndsTheInput) {
    const Bytes input = WordText(1000, 6);
    TDeflater deflater;
    int reads = 0;
    auto read = [&](uint8_t* buffer, size_t) -> size_t {
        if (++reads == 1) {
            std::copy(input.begin(), input.end(), buffer);
            return input.size();
        }
        return static_cast<size_t>(-1);  // more than asked for: an error, not data
    };
    Bytes stream;
    auto write = [&](const uint8_t* buffer, size_t count) {
        stream.insert(stream.end(), buffer, buffer + count);
    };
    const TDeflateResult result = deflater.deflate(6, read, write);
    Compressed compressed{stream, result, {}};
    ExpectRoundTrip(input, compressed, "error value after the data");
}

}  // namespace
}  // namespace mobrel::test
