#pragma once
// Decoding tables for the Huffman codes of inflate and explode. A primary table is
// indexed by the first LookupBits bits of the input (codes arrive least significant bit
// first); a longer code goes through one sub-table, indexed by the bits that follow.
//
// An entry is one 32-bit word: bits 0..7 the number of code bits it consumes (for a
// sub-table entry, the whole code's length), bits 8..15 its kind `e`, bits 16..31 its
// value `v`:
//   e 0..13  a length or distance base in v, followed by e extra bits
//   e 15     end of block
//   e 16     a literal (or plain symbol) in v
//   e 17..32 a reference to the sub-table at offset v, indexed by the next e - 16 bits
//   e 99     no code reaches this slot, or the symbol is not allowed: bad data
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mobrel {

inline constexpr uint8_t kHuffmanEndOfBlock = 15;
inline constexpr uint8_t kHuffmanLiteral = 16;
inline constexpr uint8_t kHuffmanInvalid = 99;
inline constexpr unsigned kHuffmanMaxCodeLength = 16;

struct THuffmanTable {
    std::vector<uint32_t> Entries;  // empty when the code has no symbols
    unsigned LookupBits = 0;

    bool Empty() const { return Entries.empty(); }

    static constexpr uint32_t MakeEntry(unsigned e, unsigned bits, unsigned value) {
        return bits | (e << 8) | (value << 16);
    }
    static constexpr unsigned Bits(uint32_t entry) { return entry & 0xFF; }
    static constexpr unsigned Kind(uint32_t entry) { return (entry >> 8) & 0xFF; }
    static constexpr unsigned Value(uint32_t entry) { return entry >> 16; }

    // The entry for the code at the front of bits (the table must not be empty).
    uint32_t Lookup(uint64_t bits) const {
        uint32_t entry = Entries[bits & ((uint64_t{1} << LookupBits) - 1)];
        const unsigned kind = Kind(entry);
        if (kind > kHuffmanLiteral && kind != kHuffmanInvalid) {
            const uint64_t subBits = (bits >> LookupBits) & ((uint64_t{1} << (kind - 16)) - 1);
            entry = Entries[Value(entry) + subBits];
        }
        return entry;
    }
};

enum THuffmanBuildResult : int {
    hbComplete = 0,
    hbIncomplete = 1,      // codes left unused; the table is built, those slots invalid
    hbOversubscribed = 2,  // more codes of some length than there is room for; no table
    hbOutOfMemory = 3,
};

// Builds the table for count code lengths (0 = unused, at most 16). Symbols below
// plainSymbols are plain: literals below 256, and 256 is the end of block; symbol
// plainSymbols + k takes base bases[k] and extra bits extras[k] (99: not allowed).
// lookupBits goes in as the wanted primary width and comes out as the width used (the
// shortest code length at least, the longest at most; 0 for a code without symbols,
// which gives an empty table and hbComplete). A set that leaves codes unused is
// hbIncomplete unless its longest length is 1 (a single one-bit code). Out of memory
// returns hbOutOfMemory, which the decoders treat as data they cannot decode.
THuffmanBuildResult BuildHuffmanTable(const uint8_t* lengths, unsigned count, unsigned plainSymbols,
                                      const uint16_t* bases, const uint8_t* extras,
                                      THuffmanTable& table, unsigned& lookupBits);

}  // namespace mobrel
