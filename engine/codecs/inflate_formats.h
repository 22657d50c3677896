#pragma once
// The two formats inflate decodes, as compile-time parameters of its decoder: deflate
// (RFC 1951) and Deflate64, which widens the window to 64 KB, gives length code 285 16
// extra bits and adds distance codes 30 and 31. The tables extend those of
// deflate_format.h by the two symbols after each alphabet, which deflate never uses.
#include <array>
#include <cstddef>
#include <cstdint>

#include "codecs/deflate_format.h"

namespace mobrel {

// A table of the format with two more entries, for the literal/length symbols 286 and 287
// or for the distance codes 30 and 31.
template <typename TValue, size_t N>
constexpr std::array<TValue, N + 2> WithTwoMore(const TValue (&table)[N], TValue first,
                                                TValue second) {
    std::array<TValue, N + 2> extended{};
    for (size_t i = 0; i < N; ++i) {
        extended[i] = table[i];
    }
    extended[N] = first;
    extended[N + 1] = second;
    return extended;
}

// Deflate64's length code 285 carries 16 extra bits, more than a table entry's kind can
// say (16 is the literal kind). No deflate length has 14 extra bits, so 14 marks it in
// the literal table and the decoder takes the 16 bits itself.
inline constexpr uint8_t kLongLengthKind = 14;
inline constexpr unsigned kLongLengthBits = 16;

// Deflate (method 8): a 32 KB window; length code 285 is 258 without extra bits; 30
// distance codes, and symbols 286/287 with distance codes 30/31 are invalid (99 extra
// bits, or no code at all).
struct TDeflateFormat {
    static constexpr size_t kHistory = 32768;
    static constexpr size_t kLongestMatch = kMaxMatch;
    static constexpr bool kLongLengths = false;
    static constexpr unsigned kDistanceCodes = 30;
    static constexpr unsigned kMaxDistanceExtra = 13;
    static constexpr auto kLengthBases = WithTwoMore(kLengthBase, uint16_t{0}, uint16_t{0});
    static constexpr auto kLengthExtras = WithTwoMore(kExtraLengthBits, uint8_t{99}, uint8_t{99});
    static constexpr const uint16_t* DistanceBases() { return kDistanceBase; }
    static constexpr const uint8_t* DistanceExtras() { return kExtraDistanceBits; }
};

// Deflate64's length code 285 (the 29th): base 3, and the 16-bit marker for its extras.
constexpr std::array<uint16_t, 31> LongLengthBases() {
    std::array<uint16_t, 31> bases = WithTwoMore(kLengthBase, uint16_t{0}, uint16_t{0});
    bases[28] = 3;
    return bases;
}
constexpr std::array<uint8_t, 31> LongLengthExtras() {
    std::array<uint8_t, 31> extras = WithTwoMore(kExtraLengthBits, uint8_t{99}, uint8_t{99});
    extras[28] = kLongLengthKind;
    return extras;
}

// Deflate64 (method 9): a 64 KB window; length code 285 is 3 plus 16 extra bits (up to
// 65,538); distance codes 30 and 31 reach 32,769 and 49,153 plus 14 extra bits.
struct TDeflate64Format {
    static constexpr size_t kHistory = 65536;
    static constexpr size_t kLongestMatch = 3 + 65535;
    static constexpr bool kLongLengths = true;
    static constexpr unsigned kDistanceCodes = 32;
    static constexpr unsigned kMaxDistanceExtra = 14;
    static constexpr auto kLengthBases = LongLengthBases();
    static constexpr auto kLengthExtras = LongLengthExtras();
    static constexpr auto kDistanceBases =
        WithTwoMore(kDistanceBase, uint16_t{32769}, uint16_t{49153});
    static constexpr auto kDistanceExtras =
        WithTwoMore(kExtraDistanceBits, uint8_t{14}, uint8_t{14});
    static constexpr const uint16_t* DistanceBases() { return kDistanceBases.data(); }
    static constexpr const uint8_t* DistanceExtras() { return kDistanceExtras.data(); }
};

}  // namespace mobrel
