#include "codecs/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

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

}  // namespace
}  // namespace mobrel
