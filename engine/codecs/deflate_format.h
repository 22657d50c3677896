#pragma once
// The facts of the deflate format (RFC 1951) that the compressor and inflate share: the
// alphabets, the match lengths and distances with their extra bits, and the order of the
// code-length codes.
#include <cstdint>

namespace mobrel {

inline constexpr uint32_t kMinMatch = 3;
inline constexpr uint32_t kMaxMatch = 258;

inline constexpr int kLiterals = 256;
inline constexpr int kEndBlock = 256;
inline constexpr int kLengthCodes = 29;
inline constexpr int kLiteralCodes = kLiterals + 1 + kLengthCodes;  // 286
inline constexpr int kDistanceCodes = 30;
inline constexpr int kBitLengthCodes = 19;
inline constexpr int kMaxBits = 15;
inline constexpr int kMaxBitLengthBits = 7;
inline constexpr int kFixedLiteralCodes = kLiteralCodes + 2;  // 288: two codes never used

// Repeat codes of the code-length alphabet.
inline constexpr int kRepeatPrevious3To6 = 16;
inline constexpr int kRepeatZero3To10 = 17;
inline constexpr int kRepeatZero11To138 = 18;

enum TDeflateBlockType : uint32_t { btStored = 0, btFixed = 1, btDynamic = 2 };

inline constexpr uint8_t kExtraLengthBits[kLengthCodes] = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
inline constexpr uint8_t kExtraDistanceBits[kDistanceCodes] = {
    0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
inline constexpr uint8_t kExtraBitLengthBits[kBitLengthCodes] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                                 0, 0, 0, 0, 0, 0, 2, 3, 7};
// The order in which code-length code lengths are sent: likely-used codes first, so the
// unused tail can be left off.
inline constexpr uint8_t kBitLengthOrder[kBitLengthCodes] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                             11, 4,  12, 3, 13, 2, 14, 1, 15};

// The first match length and the first distance of each length and distance code.
inline constexpr uint16_t kLengthBase[kLengthCodes] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                       15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                       67, 83, 99, 115, 131, 163, 195, 227, 258};
inline constexpr uint16_t kDistanceBase[kDistanceCodes] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};

}  // namespace mobrel
