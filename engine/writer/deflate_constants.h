#pragma once
// Sizes and code tables of the deflate format (RFC 1951) and of our compressor's window,
// shared by the matching front half and the tree/output back half.
#include <cstdint>

namespace mobrel {

// The sliding window: two halves of 32 KB; matches reach back at most one half minus the
// look-ahead the matcher keeps, so a match never points into bytes about to slide away.
inline constexpr uint32_t kWindowHalf = 32768;
inline constexpr uint32_t kWindowSize = 65536;
inline constexpr uint32_t kMinMatch = 3;
inline constexpr uint32_t kMaxMatch = 258;
inline constexpr uint32_t kMinLookahead = kMaxMatch + kMinMatch + 1;   // 262
inline constexpr uint32_t kMaxDistance = kWindowHalf - kMinLookahead;  // 32,506
// The longest-match scan reads up to kMaxMatch bytes past the current position even near
// the end of the window; these zeroed bytes behind the window keep those reads in bounds.
inline constexpr uint32_t kWindowPadding = kMaxMatch + 16;

inline constexpr uint32_t kHashBits = 15;
inline constexpr uint32_t kHashSize = 1u << kHashBits;
inline constexpr uint32_t kHashMask = kHashSize - 1;
inline constexpr uint32_t kHashShift = 5;
inline constexpr uint32_t kChainMask = kWindowHalf - 1;

// A 3-byte match farther back than this costs more than three literals (lazy levels).
inline constexpr uint32_t kTooFar = 4096;

inline constexpr int kLiterals = 256;
inline constexpr int kEndBlock = 256;
inline constexpr int kLengthCodes = 29;
inline constexpr int kLiteralCodes = kLiterals + 1 + kLengthCodes;  // 286
inline constexpr int kDistanceCodes = 30;
inline constexpr int kBitLengthCodes = 19;
inline constexpr int kMaxBits = 15;
inline constexpr int kMaxBitLengthBits = 7;
inline constexpr int kHeapSize = 2 * kLiteralCodes + 1;       // 573
inline constexpr int kFixedLiteralCodes = kLiteralCodes + 2;  // 288: two codes never used

// Repeat codes of the code-length alphabet.
inline constexpr int kRepeatPrevious3To6 = 16;
inline constexpr int kRepeatZero3To10 = 17;
inline constexpr int kRepeatZero11To138 = 18;

enum TDeflateBlockType : uint32_t { btStored = 0, btFixed = 1, btDynamic = 2 };

// Entries of the literal and distance tally buffers; a block ends before they overflow.
inline constexpr uint32_t kLiteralBufferSize = 0x8000;
inline constexpr uint32_t kDistanceBufferSize = 0x8000;

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

}  // namespace mobrel
