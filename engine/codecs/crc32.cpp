#include "codecs/crc32.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define MOBREL_CRC_CLMUL 1
#endif

#include "platform/byte_order.h"

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

uint32_t UpdateSixteenAtATime(uint32_t crc, const uint8_t*& p, size_t blocks) {
    const auto& t = kSliceTables;
    while (blocks-- > 0) {
        const uint32_t a = LoadU32(p) ^ crc;
        const uint32_t b = LoadU32(p + 4);
        const uint32_t c = LoadU32(p + 8);
        const uint32_t d = LoadU32(p + 12);
        crc = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
              t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
              t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
              t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
        p += 16;
    }
    return crc;
}

#if MOBREL_CRC_CLMUL
// Folding with carry-less multiplication: four 16-byte lanes are carried 64 bytes forward
// at a time, then merged into one lane, which is carried 16 bytes at a time. Folding keeps
// the register-0 CRC of "lane, then the rest" equal to that of the data, so the last lane
// and the tail go through the table.
//
// Carrying a lane D bytes forward means multiplying it by x^(8D) mod P. In the reflected
// order the lane's first 8 bytes (low half) stand for x^64 times their own polynomial,
// and a 64 x 32-bit product lands in the low 96 bits of the next lane, which counts as
// x^32 times it; the reflected product also comes out one bit low. So the key for the low
// half is x^(8D + 64 - 32 - 1) mod P and for the high half x^(8D - 32 - 1) mod P, each bit
// reversed in 32 bits. Derived with (P with its x^32 term, in the normal bit order):
//
//   def key(n):
//       r = 1
//       for _ in range(n):
//           r <<= 1
//           if r & (1 << 32): r ^= 0x104C11DB7
//       return int(f"{r:032b}"[::-1], 2)
//   print([hex(key(n)) for n in (8 * 64 + 31, 8 * 64 - 33, 8 * 16 + 31, 8 * 16 - 33)])
constexpr uint32_t kFold64Low = 0x8F352D95u;   // x^543 mod P, for the low half, 64 bytes on
constexpr uint32_t kFold64High = 0x1D9513D7u;  // x^479 mod P, for the high half
constexpr uint32_t kFold16Low = 0xAE689191u;   // x^159 mod P: the same, 16 bytes on
constexpr uint32_t kFold16High = 0xCCAA009Eu;  // x^95 mod P

__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i lane, __m128i keys,
                                                             __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(lane, keys, 0x00);
    const __m128i high = _mm_clmulepi64_si128(lane, keys, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

__attribute__((target("pclmul,sse4.1"))) uint32_t UpdateFolding(uint32_t crc, const uint8_t* p,
                                                                size_t count) {
    auto load = [](const uint8_t* at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    };
    const __m128i keys64 = _mm_set_epi64x(kFold64High, kFold64Low);
    const __m128i keys16 = _mm_set_epi64x(kFold16High, kFold16Low);
    // The register goes into the first four bytes; from here on it counts as 0.
    __m128i x0 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x1 = load(p + 16);
    __m128i x2 = load(p + 32);
    __m128i x3 = load(p + 48);
    p += 64;
    count -= 64;
    while (count >= 64) {
        x0 = Fold(x0, keys64, load(p));
        x1 = Fold(x1, keys64, load(p + 16));
        x2 = Fold(x2, keys64, load(p + 32));
        x3 = Fold(x3, keys64, load(p + 48));
        p += 64;
        count -= 64;
    }
    __m128i x = Fold(x0, keys16, x1);
    x = Fold(x, keys16, x2);
    x = Fold(x, keys16, x3);
    while (count >= 16) {
        x = Fold(x, keys16, load(p));
        p += 16;
        count -= 16;
    }
    alignas(16) uint8_t lane[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(lane), x);
    uint32_t result = 0;
    const uint8_t* lanePointer = lane;
    result = UpdateSixteenAtATime(result, lanePointer, 1);
    for (; count > 0; --count) {
        result = UpdateCRC(*p++, result);
    }
    return result;
}

bool HaveCarrylessMultiply() {
    static const bool have = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return have;
}
#endif

}  // namespace

uint32_t UpdateCRCBufferSliced(uint32_t crc, const void* data, size_t count) {
    const auto* p = static_cast<const uint8_t*>(data);
    crc = UpdateSixteenAtATime(crc, p, count / 16);
    for (size_t rest = count % 16; rest > 0; --rest) {
        crc = UpdateCRC(*p++, crc);
    }
    return crc;
}

uint32_t UpdateCRCBuffer(uint32_t crc, const void* data, size_t count) {
#if MOBREL_CRC_CLMUL
    if (count >= 64 && HaveCarrylessMultiply()) {
        return UpdateFolding(crc, static_cast<const uint8_t*>(data), count);
    }
#endif
    return UpdateCRCBufferSliced(crc, data, count);
}

}  // namespace mobrel
