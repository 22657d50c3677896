#include "codecs/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

namespace mobrel {
namespace {

uint32_t ZlibCrc(const uint8_t* data, size_t count) {
    return static_cast<uint32_t>(crc32(0L, data, static_cast<uInt>(count)));
}

TEST(Crc32, StoredTableIsTheReflectedPolynomialTable) {
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        }
        ASSERT_EQ(kCrcTable[n], c) << n;
    }
    EXPECT_EQ(kCrcTable[1], 0x77073096u);
    EXPECT_EQ(kCrcTable[255], 0x2D02EF8Du);
}

TEST(Crc32, KnownValuesAndNoBytes) {
    EXPECT_EQ(Crc32Of(nullptr, 0), 0u);
    EXPECT_EQ(UpdateCRCBuffer(kCrcInitial, nullptr, 0), kCrcInitial);
    const char* check = "123456789";
    EXPECT_EQ(Crc32Of(check, 9), 0xCBF43926u);
    const uint8_t hello[] = {'h', 'e', 'l', 'l', 'o', ',', ' ', 'z', 'i', 'p', '\n'};
    EXPECT_EQ(Crc32Of(hello, sizeof hello), ZlibCrc(hello, sizeof hello));
}

// The sliced form must give what the byte-at-a-time rule gives, whatever the length and
// the alignment of the buffer, and whether the data is folded in whole or in pieces.
TEST(Crc32, MatchesZlibOnRandomBuffersOfEveryLengthAndAlignment) {
    std::mt19937 random(1234);
    std::vector<uint8_t> buffer(70000);
    for (auto& b : buffer) {
        b = static_cast<uint8_t>(random());
    }
    for (size_t offset = 0; offset < 16; ++offset) {
        for (size_t length = 0; length < 300; ++length) {
            const uint8_t* data = buffer.data() + offset;
            ASSERT_EQ(Crc32Of(data, length), ZlibCrc(data, length))
                << "offset " << offset << " length " << length;
            ASSERT_EQ(~UpdateCRCBufferSliced(kCrcInitial, data, length), ZlibCrc(data, length))
                << "offset " << offset << " length " << length;
        }
    }
    for (size_t length : {1000u, 4095u, 4096u, 4097u, 32768u, 65537u, 69983u}) {
        const size_t offset = random() % 16;
        const uint8_t* data = buffer.data() + offset;
        ASSERT_EQ(Crc32Of(data, length), ZlibCrc(data, length)) << length;

        uint32_t byteByByte = kCrcInitial;
        for (size_t i = 0; i < length; ++i) {
            byteByByte = UpdateCRC(data[i], byteByByte);
        }
        ASSERT_EQ(~byteByByte, ZlibCrc(data, length)) << length;

        const size_t split = random() % length;
        uint32_t pieces = UpdateCRCBuffer(kCrcInitial, data, split);
        pieces = UpdateCRCBuffer(pieces, data + split, length - split);
        ASSERT_EQ(~pieces, ZlibCrc(data, length)) << length << " split at " << split;
        ASSERT_EQ(~UpdateCRCBufferSliced(kCrcInitial, data, length), ZlibCrc(data, length));
    }
}

}  // namespace
}  // namespace mobrel
