#include "codecs/match_finder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/byte_order.h"

namespace mobrel {

namespace {

// Length of the match of scan against match when their first three bytes are known to
// agree: the offset of the first differing byte from offset 3 on, at most 258. Eight
// bytes at a time; the 32 words cover offsets 3..258 exactly.
inline uint32_t MatchLengthFrom3(const uint8_t* scan, const uint8_t* match) {
    for (uint32_t offset = kMinMatch; offset < kMaxMatch; offset += 8) {
        const uint64_t difference = LoadU64(scan + offset) ^ LoadU64(match + offset);
        if (difference != 0) {
            // Loaded little-endian, the first differing byte is the lowest set one.
            return offset + static_cast<uint32_t>(std::countr_zero(difference)) / 8;
        }
    }
    return kMaxMatch;
}

}  // namespace

TMatchFinder::TMatchFinder()
    : window_(new uint8_t[kWindowSize + kWindowPadding]()),
      head_(new uint16_t[kHashSize]()),
      prev_(new uint16_t[kWindowHalf]()),
      input_(new uint8_t[kInputBufferSize]) {}

void TMatchFinder::Start(const TDeflateReadRoutine* read) {
    read_ = read;
    sourceExhausted_ = false;
    inputStart_ = 0;
    inputEnd_ = 0;
    bytesRead_ = 0;
    // Searches near the end of the input look at bytes past it; a cleared window makes
    // what they see, and so the output, depend on this file alone.
    std::memset(window_.get(), 0, kWindowSize + kWindowPadding);
    std::fill(head_.get(), head_.get() + kHashSize, 0);
    Position = 0;
    BlockStart = 0;
    MatchStart = 0;
    EndOfInput = false;
    Hash = 0;

    Lookahead = static_cast<uint32_t>(ReadInput(window_.get(), kWindowHalf));
    if (Lookahead == 0) {
        EndOfInput = true;
        return;
    }
    FillWindow();
    PrimeHash(0);
}

void TMatchFinder::FillOnce() {
    uint32_t room = kWindowSize - Lookahead - Position;
    if (room == 0xFFFF) {
        room = 0xFFFE;
    } else if (Position >= kWindowHalf + kMaxDistance) {
        Slide();
        room += kWindowHalf;
    }
    const size_t count = ReadInput(window_.get() + Position + Lookahead, room);
    if (count == 0) {
        EndOfInput = true;
    } else {
        Lookahead += static_cast<uint32_t>(count);
    }
}

// Moves the upper half of the window onto the lower one; positions that fall off become
// the empty link 0.
void TMatchFinder::Slide() {
    std::memcpy(window_.get(), window_.get() + kWindowHalf, kWindowHalf);
    MatchStart = (MatchStart - kWindowHalf) & 0xFFFF;
    Position -= kWindowHalf;
    BlockStart -= kWindowHalf;
    auto slide = [](uint16_t link) -> uint16_t {
        return link >= kWindowHalf ? static_cast<uint16_t>(link - kWindowHalf) : 0;
    };
    std::transform(head_.get(), head_.get() + kHashSize, head_.get(), slide);
    std::transform(prev_.get(), prev_.get() + kWindowHalf, prev_.get(), slide);
}

// Reads until count bytes have arrived or the input ends, so the window fills the same
// way however the read routine splits the input.
size_t TMatchFinder::ReadInput(uint8_t* destination, size_t count) {
    size_t total = 0;
    while (total < count && (inputStart_ < inputEnd_ || RefillInput())) {
        const size_t n = std::min(count - total, inputEnd_ - inputStart_);
        std::memcpy(destination + total, input_.get() + inputStart_, n);
        inputStart_ += n;
        total += n;
    }
    bytesRead_ += total;
    return total;
}

// False once the read routine has reported the end of the input.
bool TMatchFinder::RefillInput() {
    if (sourceExhausted_) {
        return false;
    }
    const size_t got = (*read_)(input_.get(), kInputBufferSize);
    if (got == 0 || got > kInputBufferSize) {
        sourceExhausted_ = true;
        return false;
    }
    inputStart_ = 0;
    inputEnd_ = got;
    return true;
}

uint32_t TMatchFinder::LongestMatch(uint32_t candidate, uint32_t prevLength,
                                    const TDeflateTuning& tuning) {
    const uint8_t* window = window_.get();
    const uint8_t* scan = window + Position;
    uint32_t chainLength = tuning.ChainLength;
    uint32_t bestLength = prevLength;
    const uint32_t limit = Position > kMaxDistance ? Position - kMaxDistance : 0;
    if (prevLength >= tuning.GoodLength) {
        chainLength >>= 2;
    }
    const uint16_t scanStart = LoadU16(scan);
    uint16_t scanEnd = LoadU16(scan + bestLength - 1);
    const uint16_t* prev = prev_.get();

    for (;;) {
        // The next link is fetched first: the walk along the chain is what waits on memory,
        // and it does not depend on the comparisons below.
        const uint32_t next = prev[candidate & kChainMask];
        const uint8_t* match = window + candidate;
        // Only a candidate that agrees at the end of the best match so far and at its own
        // start can beat it. Byte 2 needs no check: on one chain, equal first two bytes
        // imply an equal third (the hash keeps all its bits).
        if (((LoadU16(match + bestLength - 1) ^ scanEnd) | (LoadU16(match) ^ scanStart)) == 0) {
            const uint32_t length = MatchLengthFrom3(scan, match);
            if (length > bestLength) {
                MatchStart = candidate;
                bestLength = length;
                if (length >= tuning.NiceLength) {
                    break;
                }
                scanEnd = LoadU16(scan + bestLength - 1);
            }
        }
        candidate = next;
        if (candidate <= limit || --chainLength == 0) {
            break;
        }
    }
    return bestLength;
}

}  // namespace mobrel
