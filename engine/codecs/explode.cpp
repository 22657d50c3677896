#include "codecs/explode.h"

#include <array>
#include <cstddef>

#include "codecs/decode_context.h"
#include "codecs/huffman_table.h"

namespace mobrel {

namespace {

constexpr size_t kWindowSize = 32768;
constexpr int kTableOk = 0;
constexpr int kTableBad = 4;

struct TExplodeTables {
    std::array<uint16_t, 64> LengthBases{};
    std::array<uint8_t, 64> LengthExtras{};
    std::array<uint16_t, 64> DistanceBases{};
    std::array<uint8_t, 64> DistanceExtras{};
};

TExplodeTables MakeBases(bool literalTree, bool bigDictionary) {
    TExplodeTables t;
    for (unsigned k = 0; k < 64; ++k) {
        t.LengthBases[k] = static_cast<uint16_t>(k + (literalTree ? 3 : 2));
        t.LengthExtras[k] = k == 63 ? 8 : 0;
        t.DistanceBases[k] = static_cast<uint16_t>(1 + (bigDictionary ? 128 : 64) * k);
    }
    return t;
}

class TExploder {
  public:
    TExploder(TDecodeContext& context, bool bigDictionary)
        : context_(context), window_(context.Window()), bigDictionary_(bigDictionary) {}

    int ReadCodeLengths(uint8_t* lengths, unsigned count);
    // Decodes the entry; 0, or 1 on an invalid code (the window is then not handed over).
    int Decode(const THuffmanTable* literals, const THuffmanTable& lengths,
               const THuffmanTable& distances);

  private:
    // The next code of a table: imploded codes are stored inverted, so the table is
    // indexed by the complement of the coming bits. False on an invalid code.
    bool DecodeSymbol(const THuffmanTable& table, uint32_t& entry) {
        context_.NeedBits(kHuffmanMaxCodeLength);
        entry = table.Lookup(~static_cast<uint64_t>(context_.BitBuffer()));
        if (THuffmanTable::Kind(entry) == kHuffmanInvalid) {
            return false;
        }
        context_.DumpBits(THuffmanTable::Bits(entry));
        return true;
    }
    uint32_t TakeBits(unsigned n) {
        context_.NeedBits(n);
        const uint32_t value = context_.BitBuffer() & ((1u << n) - 1);
        context_.DumpBits(n);
        return value;
    }
    void Store(uint8_t b) {
        window_[position_++] = b;
        ++produced_;
        if (position_ == kWindowSize) {
            context_.DeliverOutput(window_, kWindowSize);
            position_ = 0;
        }
    }

    TDecodeContext& context_;
    uint8_t* const window_;
    const bool bigDictionary_;
    size_t position_ = 0;
    int64_t produced_ = 0;
};

// The table is byte-aligned: a count of bytes, then per byte a repeat count (high four
// bits + 1) and a code length (low four bits + 1).
int TExploder::ReadCodeLengths(uint8_t* lengths, unsigned count) {
    uint8_t b = 0;
    if (context_.ReadInputByte(b) == 0) {
        return kTableBad;
    }
    unsigned stored = 0;
    for (unsigned bytes = b + 1u; bytes > 0; --bytes) {
        if (context_.ReadInputByte(b) == 0) {
            return kTableBad;
        }
        const unsigned repeat = (b >> 4) + 1u;
        const auto length = static_cast<uint8_t>((b & 15) + 1);
        if (stored + repeat > count) {
            return kTableBad;
        }
        for (unsigned i = 0; i < repeat; ++i) {
            lengths[stored++] = length;
        }
    }
    return stored == count ? kTableOk : kTableBad;
}

int TExploder::Decode(const THuffmanTable* literals, const THuffmanTable& lengths,
                      const THuffmanTable& distances) {
    const unsigned lowDistanceBits = bigDictionary_ ? 7 : 6;
    int64_t left = context_.UncompressedSize();
    while (left > 0 && !context_.PastEnd()) {
        if (TakeBits(1) == 1) {
            uint32_t literal = 0;
            if (literals != nullptr) {
                uint32_t entry = 0;
                if (!DecodeSymbol(*literals, entry)) {
                    return 1;
                }
                literal = THuffmanTable::Value(entry);
            } else {
                literal = TakeBits(8);
            }
            Store(static_cast<uint8_t>(literal));
            --left;
            continue;
        }
        const uint32_t low = TakeBits(lowDistanceBits);
        uint32_t entry = 0;
        if (!DecodeSymbol(distances, entry)) {
            return 1;
        }
        const unsigned distance = low + THuffmanTable::Value(entry);
        if (!DecodeSymbol(lengths, entry)) {
            return 1;
        }
        unsigned length = THuffmanTable::Value(entry);
        if (THuffmanTable::Kind(entry) != 0) {
            length += TakeBits(THuffmanTable::Kind(entry));
        }
        if (context_.PastEnd()) {
            break;
        }
        // Byte by byte: a short distance repeats bytes, and a source before the first
        // byte of the entry gives zero bytes, never what the window held before.
        for (unsigned i = 0; i < length; ++i) {
            Store(produced_ >= static_cast<int64_t>(distance)
                      ? window_[(position_ + kWindowSize - distance) % kWindowSize]
                      : 0);
        }
        left -= length;
    }
    if (context_.PastEnd()) {
        return 1;  // ran out of data: bad data
    }
    context_.DeliverOutput(window_, position_);
    return 0;
}

}  // namespace

void Explode(TDecodeContext& context, uint16_t generalFlags, int64_t compressedSize) {
    const bool bigDictionary = (generalFlags & 2) != 0;
    const bool literalTree = (generalFlags & 4) != 0;
    const TExplodeTables bases = MakeBases(literalTree, bigDictionary);
    TExploder exploder(context, bigDictionary);

    THuffmanTable literals;
    THuffmanTable lengths;
    THuffmanTable distances;
    std::array<uint8_t, 256> codeLengths{};
    if (literalTree) {
        unsigned bits = 9;
        if (exploder.ReadCodeLengths(codeLengths.data(), 256) != kTableOk ||
            BuildHuffmanTable(codeLengths.data(), 256, 256, nullptr, nullptr, literals, bits) !=
                hbComplete) {
            return;
        }
    }
    unsigned bits = 7;
    if (exploder.ReadCodeLengths(codeLengths.data(), 64) != kTableOk ||
        BuildHuffmanTable(codeLengths.data(), 64, 0, bases.LengthBases.data(),
                          bases.LengthExtras.data(), lengths, bits) != hbComplete) {
        return;
    }
    bits = compressedSize > 200000 ? 8 : 7;
    if (exploder.ReadCodeLengths(codeLengths.data(), 64) != kTableOk ||
        BuildHuffmanTable(codeLengths.data(), 64, 0, bases.DistanceBases.data(),
                          bases.DistanceExtras.data(), distances, bits) != hbComplete) {
        return;
    }
    exploder.Decode(literalTree ? &literals : nullptr, lengths, distances);
    context.FlushOutput();
}

}  // namespace mobrel
