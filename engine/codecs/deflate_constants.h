#pragma once
// The sizes of our compressor's window, hash chains and buffers, shared by the matching
// front half and the tree/output back half; the format's own facts are in
// deflate_format.h.
#include <cstddef>
#include <cstdint>

#include "codecs/deflate_format.h"

namespace mobrel {

// The sliding window: two halves of 32 KB; matches reach back at most one half minus the
// look-ahead the matcher keeps, so a match never points into bytes about to slide away.
inline constexpr uint32_t kWindowHalf = 32768;
inline constexpr uint32_t kWindowSize = 65536;
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

inline constexpr int kHeapSize = 2 * kLiteralCodes + 1;  // 573

// Bytes the compressor asks of its read routine at a time.
inline constexpr size_t kInputBufferSize = 262144;

// Entries of the literal and distance tally buffers; a block ends before they overflow.
inline constexpr uint32_t kLiteralBufferSize = 0x8000;
inline constexpr uint32_t kDistanceBufferSize = 0x8000;

}  // namespace mobrel
