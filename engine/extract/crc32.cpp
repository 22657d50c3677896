#include "extract/crc32.h"

#include <array>
#include <bit>
#include <cstring>

namespace mobrel {

namespace {

// Slicing tables derived from the stored table at compile time: row k advances a byte
// that still has k more bytes to pass through the register. Row 0 is the stored table.
constexpr int kSlices = 16;
using TSliceTables = std::array<std::array<uint32_t, 256>, kSlices>;

constexpr TSliceTables MakeSliceTables() {
    TSliceTables tables{};
    for (uint32_t n = 0; n < 256; ++n) {
        tables[0][n] = kCrcTable[n];
    }
    for (int row = 1; row < kSlices; ++row) {
        for (uint32_t n = 0; n < 256; ++n) {
            const uint32_t prev = tables[row - 1][n];
            tables[row][n] = tables[0][prev & 0xFF] ^ (prev >> 8);
        }
    }
    return tables;
}

constexpr TSliceTables kSliceTables = MakeSliceTables();

inline uint32_t LoadLittle32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) {
        v = __builtin_bswap32(v);
    }
    return v;
}

uint32_t UpdateSixteenAtATime(uint32_t crc, const uint8_t*& p, size_t blocks) {
    const auto& t = kSliceTables;
    while (blocks-- > 0) {
        const uint32_t a = LoadLittle32(p) ^ crc;
        const uint32_t b = LoadLittle32(p + 4);
        const uint32_t c = LoadLittle32(p + 8);
        const uint32_t d = LoadLittle32(p + 12);
        crc = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
              t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
              t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
              t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
        p += 16;
    }
    return crc;
}

}  // namespace

uint32_t UpdateCRCBuffer(uint32_t crc, const void* data, size_t count) {
    const auto* p = static_cast<const uint8_t*>(data);
    crc = UpdateSixteenAtATime(crc, p, count / 16);
    for (size_t rest = count % 16; rest > 0; --rest) {
        crc = UpdateCRC(*p++, crc);
    }
    return crc;
}

}  // namespace mobrel
