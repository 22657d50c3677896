#include "codecs/huffman_table.h"

#include <algorithm>
#include <array>
#include <new>

namespace mobrel {

namespace {

constexpr uint32_t kInvalidEntry = THuffmanTable::MakeEntry(kHuffmanInvalid, 1, 0);

using TLengthCounts = std::array<unsigned, kHuffmanMaxCodeLength + 1>;

// The code bits in the order they arrive (least significant first).
unsigned ReverseBits(unsigned code, unsigned length) {
    unsigned reversed = 0;
    for (unsigned i = 0; i < length; ++i) {
        reversed = (reversed << 1) | (code & 1);
        code >>= 1;
    }
    return reversed;
}

uint32_t EntryForSymbol(unsigned symbol, unsigned length, unsigned plainSymbols,
                        const uint16_t* bases, const uint8_t* extras) {
    if (symbol < plainSymbols) {
        const unsigned kind = symbol < 256 ? kHuffmanLiteral : kHuffmanEndOfBlock;
        return THuffmanTable::MakeEntry(kind, length, symbol);
    }
    const unsigned k = symbol - plainSymbols;
    return THuffmanTable::MakeEntry(extras[k], length, bases[k]);
}

// How many index bits the sub-table opened for a code of this length needs, so that
// every code sharing its primary prefix fits: widen while the codes still to come
// (remaining counts) would not fill it.
unsigned SubTableBits(unsigned length, unsigned rootBits, unsigned maxLength,
                      const TLengthCounts& remaining) {
    unsigned bits = length - rootBits;
    int room = 1 << bits;
    while (bits + rootBits < maxLength) {
        room -= static_cast<int>(remaining[bits + rootBits]);
        if (room <= 0) {
            break;
        }
        ++bits;
        room <<= 1;
    }
    return bits;
}

void FillTables(const uint8_t* lengths, unsigned count, unsigned plainSymbols,
                const uint16_t* bases, const uint8_t* extras, const TLengthCounts& counts,
                unsigned rootBits, unsigned maxLength, THuffmanTable& table) {
    // Symbols in canonical order: by code length, equal lengths by symbol number.
    std::array<unsigned, kHuffmanMaxCodeLength + 2> offsets{};
    for (unsigned len = 1; len <= kHuffmanMaxCodeLength; ++len) {
        offsets[len + 1] = offsets[len] + counts[len];
    }
    std::vector<uint16_t> sorted(offsets[kHuffmanMaxCodeLength + 1]);
    for (unsigned symbol = 0; symbol < count; ++symbol) {
        if (lengths[symbol] != 0) {
            sorted[offsets[lengths[symbol]]++] = static_cast<uint16_t>(symbol);
        }
    }

    const unsigned rootSize = 1u << rootBits;
    table.Entries.assign(rootSize, kInvalidEntry);
    table.LookupBits = rootBits;

    TLengthCounts remaining = counts;
    unsigned code = 0;  // canonical code, most significant bit first
    unsigned codeLength = 0;
    unsigned openPrefix = rootSize;  // no sub-table open yet
    size_t subOffset = 0;
    unsigned subBits = 0;
    for (const uint16_t symbol : sorted) {
        const unsigned length = lengths[symbol];
        code <<= (length - codeLength);
        codeLength = length;
        const uint32_t entry = EntryForSymbol(symbol, length, plainSymbols, bases, extras);
        const unsigned reversed = ReverseBits(code, length);
        if (length <= rootBits) {
            for (unsigned index = reversed; index < rootSize; index += 1u << length) {
                table.Entries[index] = entry;
            }
        } else {
            const unsigned prefix = reversed & (rootSize - 1);
            if (prefix != openPrefix) {
                subBits = SubTableBits(length, rootBits, maxLength, remaining);
                subOffset = table.Entries.size();
                table.Entries.resize(subOffset + (size_t{1} << subBits), kInvalidEntry);
                table.Entries[prefix] = THuffmanTable::MakeEntry(16 + subBits, rootBits,
                                                                 static_cast<unsigned>(subOffset));
                openPrefix = prefix;
            }
            for (unsigned index = reversed >> rootBits; index < (1u << subBits);
                 index += 1u << (length - rootBits)) {
                table.Entries[subOffset + index] = entry;
            }
        }
        --remaining[length];
        ++code;
    }
}

}  // namespace

THuffmanBuildResult BuildHuffmanTable(const uint8_t* lengths, unsigned count, unsigned plainSymbols,
                                      const uint16_t* bases, const uint8_t* extras,
                                      THuffmanTable& table, unsigned& lookupBits) {
    TLengthCounts counts{};
    for (unsigned symbol = 0; symbol < count; ++symbol) {
        if (lengths[symbol] > kHuffmanMaxCodeLength) {
            table.Entries.clear();
            return hbOversubscribed;
        }
        ++counts[lengths[symbol]];
    }
    counts[0] = 0;
    unsigned minLength = 1;
    while (minLength <= kHuffmanMaxCodeLength && counts[minLength] == 0) {
        ++minLength;
    }
    if (minLength > kHuffmanMaxCodeLength) {
        table.Entries.clear();
        table.LookupBits = 0;
        lookupBits = 0;
        return hbComplete;
    }
    unsigned maxLength = kHuffmanMaxCodeLength;
    while (counts[maxLength] == 0) {
        --maxLength;
    }

    int unused = 1;
    for (unsigned len = 1; len <= maxLength; ++len) {
        unused = (unused << 1) - static_cast<int>(counts[len]);
        if (unused < 0) {
            table.Entries.clear();
            return hbOversubscribed;
        }
    }

    const unsigned rootBits = std::clamp(lookupBits, minLength, maxLength);
    lookupBits = rootBits;
    try {
        FillTables(lengths, count, plainSymbols, bases, extras, counts, rootBits, maxLength, table);
    } catch (const std::bad_alloc&) {
        table.Entries.clear();
        return hbOutOfMemory;
    }
    return unused > 0 && maxLength != 1 ? hbIncomplete : hbComplete;
}

}  // namespace mobrel
