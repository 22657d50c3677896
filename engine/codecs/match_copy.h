#pragma once
// The copy of an LZ77 match inside a decoder's window, several bytes per store. A copy
// may write up to kMatchCopySlack - 1 bytes past the match's end (and read as far past
// its source): the window needs that much room after the furthest point a match can
// reach. Those bytes are not produced yet; later output overwrites them.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace mobrel {

inline constexpr size_t kMatchCopySlack = 16;

// Copies length (>= 1) bytes to out from distance (>= 1) bytes back, as the match
// semantics require when they overlap; returns the match's end.
inline uint8_t* CopyMatch(uint8_t* out, unsigned length, unsigned distance) {
    uint8_t* const end = out + length;
    const uint8_t* from = out - distance;
    if (distance >= 16) {
        do {
            std::memcpy(out, from, 16);
            out += 16;
            from += 16;
        } while (out < end);
    } else if (distance >= 8) {
        // Every eight bytes read lie before the eight written.
        do {
            std::memcpy(out, from, 8);
            out += 8;
            from += 8;
        } while (out < end);
    } else if (distance == 1) {
        const uint64_t run = uint64_t{*from} * 0x0101010101010101u;
        do {
            std::memcpy(out, &run, 8);
            out += 8;
        } while (out < end);
    } else {
        // Each step stores eight bytes, of which the first distance repeat the bytes
        // before out and are right; the rest the next step overwrites.
        do {
            uint64_t word;
            std::memcpy(&word, out - distance, 8);
            std::memcpy(out, &word, 8);
            out += distance;
        } while (out < end);
    }
    return end;
}

}  // namespace mobrel
