// The fast loop (DecodeFast) decodes while at least eight unread bytes remain in the
// current input piece and the output position lies below the end of the chunk being
// produced. Each pass refills the 64-bit bit buffer with one unaligned eight-byte load,
// which leaves 56 to 63 bits counted and all 64 bits real input; one pass then takes at
// most two literals (20 bits) or one length and one distance with their extra bits
// (49 bits), so it never checks the bit count, and the entry of the next code is looked
// up with the 15 or more bits still ahead. On the output side a pass may start at any
// position below the chunk's end and write up to the longest match plus the 15 bytes a
// wide copy overshoots (kMatchCopySlack - 1) beyond it; the window has at least that
// room (WindowNeeded). The last seven bytes of every input piece, the bits past the end
// of the data and every chunk hand-over go through the careful path, one symbol at a
// time, which takes bytes only as it needs them.
#include "codecs/inflate.h"

#include <array>
#include <bit>
#include <cstring>

#include "codecs/decode_context.h"
#include "codecs/deflate_format.h"
#include "codecs/huffman_table.h"
#include "codecs/inflate_formats.h"
#include "codecs/match_copy.h"
#include "platform/byte_order.h"
#include "platform/engine_errors.h"

namespace mobrel {

namespace {

// Output is handed over a block at a time; the history in front of it is the format's.
constexpr size_t kChunk = TDecodeContext::kBlockSize;

// The window a format needs: its history, the chunk being produced, the longest match
// starting just below the chunk's end and the slack of a wide match copy past it.
template <typename TFormat>
constexpr size_t WindowNeeded() {
    return TFormat::kHistory + kChunk + TFormat::kLongestMatch + kMatchCopySlack;
}
static_assert(WindowNeeded<TDeflateFormat>() <= TDecodeContext::kInflateWindowSize);
static_assert(WindowNeeded<TDeflate64Format>() <= TDecodeContext::kDeflate64WindowSize);

// Wider primary tables than the classic 9 and 6 bits: nearly every code is then found
// with one look-up.
constexpr unsigned kLiteralLookupBits = 10;
constexpr unsigned kDistanceLookupBits = 8;
constexpr unsigned kCodeLengthLookupBits = 7;

inline uint64_t LowBits(uint64_t bits, unsigned n) {
    return bits & ((uint64_t{1} << n) - 1);
}

struct TFixedTables {
    THuffmanTable Literals;
    THuffmanTable Distances;
};

template <typename TFormat>
const TFixedTables& FixedTables() {
    static const TFixedTables tables = [] {
        TFixedTables fixed;
        std::array<uint8_t, 288> lengths{};
        for (unsigned symbol = 0; symbol < 288; ++symbol) {
            lengths[symbol] = symbol < 144 ? 8 : symbol < 256 ? 9 : symbol < 280 ? 7 : 8;
        }
        unsigned bits = kLiteralLookupBits;
        BuildHuffmanTable(lengths.data(), 288, 257, TFormat::kLengthBases.data(),
                          TFormat::kLengthExtras.data(), fixed.Literals, bits);
        // Deflate's 30 five-bit codes leave codes 30 and 31 unused: they decode as invalid.
        std::array<uint8_t, TFormat::kDistanceCodes> distanceLengths;
        distanceLengths.fill(5);
        bits = kDistanceLookupBits;
        BuildHuffmanTable(distanceLengths.data(), TFormat::kDistanceCodes, 0,
                          TFormat::DistanceBases(), TFormat::DistanceExtras(), fixed.Distances,
                          bits);
        return fixed;
    }();
    return tables;
}

// Outcome of the fast loop: it stops at the end of the block, on bad data, or when the
// input piece or the output chunk is nearly used up (then the careful path goes on).
// Deflate64 also stops it at a length with 16 extra bits, whose code it has consumed.
enum class TFastStop { EndOfBlock, BadData, NeedCare, LongLength };

// One Inflate run. Output is produced at window[position], with the kHistory bytes
// before window[kHistory] as history; when the position passes kChunkEnd the 32 KB chunk
// is handed over and everything moves down by 32 KB (again while it is still past), so a
// match source never wraps.
template <typename TFormat>
class TInflater {
    static constexpr size_t kHistory = TFormat::kHistory;
    static constexpr size_t kChunkEnd = kHistory + kChunk;

  public:
    explicit TInflater(TDecodeContext& context) : context_(context), window_(context.Window()) {}

    TInflateResult Run();

  private:
    TInflateResult InflateBlock(bool& last);
    TInflateResult InflateStored();
    TInflateResult InflateFixed();
    TInflateResult InflateDynamic();
    TInflateResult InflateCodes(const THuffmanTable& literals, const THuffmanTable& distances);
    TFastStop DecodeFast(const THuffmanTable& literals, const THuffmanTable& distances);
    TInflateResult FinishMatch(unsigned length, const THuffmanTable& distances);
    unsigned ExtraLengthBits(unsigned kind) const {
        if constexpr (TFormat::kLongLengths) {
            return kind == kLongLengthKind ? kLongLengthBits : kind;
        }
        return kind;
    }

    // --- bit input ---
    bool FastInputAvailable() const { return inputEnd_ - input_ >= 8; }
    // At least 56 bits present; needs eight unread bytes in the input piece.
    void RefillFast() {
        bitBuffer_ |= LoadU64(input_) << bitCount_;
        input_ += (63 - bitCount_) >> 3;
        bitCount_ |= 56;
    }
    void Need(unsigned n) {
        if (bitCount_ < n) {
            RefillSlow(n);
        }
    }
    void RefillSlow(unsigned n);
    void Drop(unsigned n) {
        bitBuffer_ >>= n;
        bitCount_ -= n;
    }
    uint32_t TakeBits(unsigned n) {
        Need(n);
        const auto value = static_cast<uint32_t>(LowBits(bitBuffer_, n));
        Drop(n);
        return value;
    }
    // True once a bit past the end of the entry's data has been consumed.
    bool Overrun() const { return bitCount_ < phantomBytes_ * 8; }
    uint32_t DecodeSlow(const THuffmanTable& table);

    // --- output ---
    bool DistanceTooFar(unsigned distance) const { return distance > position_ - historyStart_; }
    void SlideIfFull();

    TDecodeContext& context_;
    uint8_t* const window_;
    size_t position_ = kHistory;
    // Where the history of this entry starts: a distance may reach no further back, so
    // whatever the window held before this entry is never copied.
    size_t historyStart_ = kHistory;

    const uint8_t* input_ = nullptr;
    const uint8_t* inputEnd_ = nullptr;
    uint64_t bitBuffer_ = 0;  // bits at and above bitCount_ are 0 or the coming input bits
    unsigned bitCount_ = 0;
    unsigned phantomBytes_ = 0;  // zero bytes supplied past the end of the data

    THuffmanTable literals_;
    THuffmanTable distances_;
    THuffmanTable codeLengths_;
};

template <typename TFormat>
void TInflater<TFormat>::RefillSlow(unsigned n) {
    if (phantomBytes_ == 0 && FastInputAvailable()) {
        RefillFast();
        return;
    }
    while (bitCount_ < n) {
        if (input_ == inputEnd_ && phantomBytes_ == 0) {
            const uint8_t* data = nullptr;
            const size_t count = context_.TakeInput(data);
            input_ = data;
            inputEnd_ = data + count;
        }
        if (input_ != inputEnd_) {
            bitBuffer_ |= static_cast<uint64_t>(*input_++) << bitCount_;
        } else {
            // Past the end the missing bytes read as zero bits; consuming one of them is
            // bad data (Overrun), but a look-up may peek at them.
            ++phantomBytes_;
        }
        bitCount_ += 8;
    }
}

template <typename TFormat>
uint32_t TInflater<TFormat>::DecodeSlow(const THuffmanTable& table) {
    Need(table.LookupBits);
    uint32_t entry = table.Entries[LowBits(bitBuffer_, table.LookupBits)];
    const unsigned kind = THuffmanTable::Kind(entry);
    if (kind > kHuffmanLiteral && kind != kHuffmanInvalid) {
        Need(table.LookupBits + kind - 16);
        entry = table.Lookup(bitBuffer_);
    }
    if (THuffmanTable::Kind(entry) != kHuffmanInvalid) {
        Drop(THuffmanTable::Bits(entry));
    }
    return entry;
}

// Deflate64's longest match can carry the position past more than one chunk end, so the
// window slides until it lies below kChunkEnd again: the next match may start anywhere
// below it, and the window holds the longest match only from there.
template <typename TFormat>
void TInflater<TFormat>::SlideIfFull() {
    while (position_ >= kChunkEnd) {
        context_.DeliverOutput(window_ + kHistory, kChunk);
        std::memmove(window_, window_ + kChunk, position_ - kChunk);
        position_ -= kChunk;
        historyStart_ = historyStart_ > kChunk ? historyStart_ - kChunk : 0;
    }
}

template <typename TFormat>
TFastStop TInflater<TFormat>::DecodeFast(const THuffmanTable& literals,
                                         const THuffmanTable& distances) {
    // Everything the loop touches is held in locals: stores into the window could
    // otherwise alias the members and force them through memory on every byte.
    uint64_t bits = bitBuffer_;
    unsigned count = bitCount_;
    const uint8_t* in = input_;
    const uint8_t* const inLimit = inputEnd_ - 8;
    uint8_t* out = window_ + position_;
    uint8_t* const outLimit = window_ + kChunkEnd;
    const uint8_t* const historyStart = window_ + historyStart_;
    const uint32_t* const literalEntries = literals.Entries.data();
    const uint64_t literalMask = (uint64_t{1} << literals.LookupBits) - 1;
    const unsigned literalBits = literals.LookupBits;
    const uint32_t* const distanceEntries = distances.Empty() ? nullptr : distances.Entries.data();
    const uint64_t distanceMask = (uint64_t{1} << distances.LookupBits) - 1;
    const unsigned distanceBits = distances.LookupBits;
    const auto consume = [&](unsigned n) {
        bits >>= n;
        count -= n;
    };
    TFastStop stop = TFastStop::NeedCare;

    // The entry of the next code is looked up as soon as the bits before it are
    // consumed; a refill only adds bits above the ones it was looked up with. After a
    // refill all 64 bits of the buffer are input (the caller makes sure there are eight
    // bytes), and a look-up needs at most 15 of them.
    const auto refill = [&] {
        bits |= LoadU64(in) << count;
        in += (63 - count) >> 3;
        count |= 56;
    };
    refill();
    uint32_t entry = literalEntries[bits & literalMask];
    while (in <= inLimit && out < outLimit) {
        refill();

        unsigned kind = THuffmanTable::Kind(entry);
        if (kind == kHuffmanLiteral) {
            // Two primary-table literals take at most 20 of the 56 bits.
            consume(THuffmanTable::Bits(entry));
            *out++ = static_cast<uint8_t>(THuffmanTable::Value(entry));
            entry = literalEntries[bits & literalMask];
            if (THuffmanTable::Kind(entry) == kHuffmanLiteral) {
                consume(THuffmanTable::Bits(entry));
                *out++ = static_cast<uint8_t>(THuffmanTable::Value(entry));
                entry = literalEntries[bits & literalMask];
            }
            continue;
        }
        if (kind > kHuffmanLiteral && kind != kHuffmanInvalid) {
            entry = literalEntries[THuffmanTable::Value(entry) +
                                   LowBits(bits >> literalBits, kind - 16)];
            kind = THuffmanTable::Kind(entry);
            if (kind == kHuffmanLiteral) {
                consume(THuffmanTable::Bits(entry));
                *out++ = static_cast<uint8_t>(THuffmanTable::Value(entry));
                entry = literalEntries[bits & literalMask];
                continue;
            }
        }
        consume(THuffmanTable::Bits(entry));
        if (kind > 13) {
            stop = kind == kHuffmanEndOfBlock ? TFastStop::EndOfBlock : TFastStop::BadData;
            if constexpr (TFormat::kLongLengths) {
                if (kind == kLongLengthKind) {
                    stop = TFastStop::LongLength;
                }
            }
            break;
        }
        // A length with its extra bits and a distance with its extra bits take at most
        // 15 + 5 + 15 + 14 = 49 of the 56 bits.
        const unsigned length =
            THuffmanTable::Value(entry) + static_cast<unsigned>(LowBits(bits, kind));
        consume(kind);

        if (distanceEntries == nullptr) {
            stop = TFastStop::BadData;
            break;
        }
        entry = distanceEntries[bits & distanceMask];
        kind = THuffmanTable::Kind(entry);
        if (kind > kHuffmanLiteral && kind != kHuffmanInvalid) {
            entry = distanceEntries[THuffmanTable::Value(entry) +
                                    LowBits(bits >> distanceBits, kind - 16)];
            kind = THuffmanTable::Kind(entry);
        }
        if (kind > TFormat::kMaxDistanceExtra) {
            stop = TFastStop::BadData;
            break;
        }
        consume(THuffmanTable::Bits(entry));
        const unsigned distance =
            THuffmanTable::Value(entry) + static_cast<unsigned>(LowBits(bits, kind));
        consume(kind);
        if (distance > static_cast<size_t>(out - historyStart)) {
            stop = TFastStop::BadData;
            break;
        }
        // At most 49 bits were consumed since the refill, so 15 or more valid bits
        // remain ahead for the next look-up.
        entry = literalEntries[bits & literalMask];
        out = CopyMatch(out, length, distance);
    }

    bitBuffer_ = bits;
    bitCount_ = count;
    input_ = in;
    position_ = static_cast<size_t>(out - window_);
    return stop;
}
template <typename TFormat>
TInflateResult TInflater<TFormat>::InflateCodes(const THuffmanTable& literals,
                                                const THuffmanTable& distances) {
    if (literals.Empty()) {
        return irBadData;
    }
    for (;;) {
        if (phantomBytes_ == 0 && FastInputAvailable()) {
            const TFastStop stop = DecodeFast(literals, distances);
            if (stop == TFastStop::LongLength) {
                const TInflateResult result = FinishMatch(3 + TakeBits(kLongLengthBits), distances);
                if (result != irOk) {
                    return result;
                }
                continue;
            }
            if (stop != TFastStop::NeedCare) {
                return stop == TFastStop::EndOfBlock ? irOk : irBadData;
            }
            if (position_ >= kChunkEnd) {
                SlideIfFull();
                continue;
            }
        }
        // Near the end of an input piece or of the data: one symbol at a time, taking
        // bytes only as they are needed.
        uint32_t entry = DecodeSlow(literals);
        unsigned kind = THuffmanTable::Kind(entry);
        if (Overrun() || kind == kHuffmanInvalid) {
            return irBadData;
        }
        if (kind == kHuffmanLiteral) {
            window_[position_++] = static_cast<uint8_t>(THuffmanTable::Value(entry));
            SlideIfFull();
            continue;
        }
        if (kind == kHuffmanEndOfBlock) {
            return irOk;
        }
        const TInflateResult result =
            FinishMatch(THuffmanTable::Value(entry) + TakeBits(ExtraLengthBits(kind)), distances);
        if (result != irOk) {
            return result;
        }
    }
}

// The distance of a match whose length is known, one bit at a time, and its copy.
template <typename TFormat>
TInflateResult TInflater<TFormat>::FinishMatch(unsigned length, const THuffmanTable& distances) {
    if (distances.Empty()) {
        return irBadData;
    }
    const uint32_t entry = DecodeSlow(distances);
    const unsigned kind = THuffmanTable::Kind(entry);
    if (kind > TFormat::kMaxDistanceExtra) {
        return irBadData;
    }
    const unsigned distance = THuffmanTable::Value(entry) + TakeBits(kind);
    if (Overrun() || DistanceTooFar(distance)) {
        return irBadData;
    }
    position_ = static_cast<size_t>(CopyMatch(window_ + position_, length, distance) - window_);
    SlideIfFull();
    return irOk;
}

template <typename TFormat>
TInflateResult TInflater<TFormat>::InflateStored() {
    Drop(bitCount_ % 8);
    const uint32_t length = TakeBits(16);
    const uint32_t complement = TakeBits(16);
    if (Overrun() || length != (~complement & 0xFFFF)) {
        return irBadData;
    }
    uint32_t left = length;
    // Whole bytes already in the bit buffer come first.
    while (left > 0 && bitCount_ >= 8) {
        window_[position_++] = static_cast<uint8_t>(bitBuffer_);
        Drop(8);
        --left;
        SlideIfFull();
    }
    if (Overrun()) {
        return irBadData;
    }
    if (bitCount_ == 0) {
        bitBuffer_ = 0;  // its upper bits may mirror bytes now copied straight from input
    }
    while (left > 0) {
        if (input_ == inputEnd_) {
            const uint8_t* data = nullptr;
            const size_t count = context_.TakeInput(data);
            if (count == 0) {
                return irBadData;
            }
            input_ = data;
            inputEnd_ = data + count;
        }
        size_t piece = std::min<size_t>(left, static_cast<size_t>(inputEnd_ - input_));
        piece = std::min(piece, kChunkEnd - position_);
        std::memcpy(window_ + position_, input_, piece);
        input_ += piece;
        position_ += piece;
        left -= static_cast<uint32_t>(piece);
        SlideIfFull();
    }
    return irOk;
}

template <typename TFormat>
TInflateResult TInflater<TFormat>::InflateFixed() {
    const TFixedTables& fixed = FixedTables<TFormat>();
    return InflateCodes(fixed.Literals, fixed.Distances);
}

template <typename TFormat>
TInflateResult TInflater<TFormat>::InflateDynamic() {
    const unsigned literalCount = TakeBits(5) + 257;
    const unsigned distanceCount = TakeBits(5) + 1;
    const unsigned codeLengthCount = TakeBits(4) + 4;
    if (literalCount > 286 || distanceCount > TFormat::kDistanceCodes) {
        return irBadData;
    }
    std::array<uint8_t, 19> codeLengthLengths{};
    for (unsigned i = 0; i < codeLengthCount; ++i) {
        codeLengthLengths[kBitLengthOrder[i]] = static_cast<uint8_t>(TakeBits(3));
    }
    unsigned bits = kCodeLengthLookupBits;
    const THuffmanBuildResult built =
        BuildHuffmanTable(codeLengthLengths.data(), 19, 19, nullptr, nullptr, codeLengths_, bits);
    if (built != hbComplete) {
        return static_cast<TInflateResult>(built);
    }
    // A code-length code without any symbol cannot describe the lengths.
    if (Overrun() || codeLengths_.Empty()) {
        return irBadData;
    }

    std::array<uint8_t, 286 + TFormat::kDistanceCodes> lengths{};
    const unsigned total = literalCount + distanceCount;
    unsigned previous = 0;
    for (unsigned i = 0; i < total;) {
        const uint32_t entry = DecodeSlow(codeLengths_);
        if (THuffmanTable::Kind(entry) == kHuffmanInvalid || Overrun()) {
            return irBadData;
        }
        const unsigned symbol = THuffmanTable::Value(entry);
        if (symbol < 16) {
            lengths[i++] = static_cast<uint8_t>(symbol);
            previous = symbol;
            continue;
        }
        unsigned repeat;
        unsigned value = 0;
        if (symbol == 16) {
            repeat = 3 + TakeBits(2);
            value = previous;
        } else if (symbol == 17) {
            repeat = 3 + TakeBits(3);
        } else {
            repeat = 11 + TakeBits(7);
        }
        if (repeat > total - i || Overrun()) {
            return irBadData;
        }
        std::memset(lengths.data() + i, static_cast<int>(value), repeat);
        i += repeat;
        previous = value;
    }

    bits = kLiteralLookupBits;
    THuffmanBuildResult result =
        BuildHuffmanTable(lengths.data(), literalCount, 257, TFormat::kLengthBases.data(),
                          TFormat::kLengthExtras.data(), literals_, bits);
    if (result != hbComplete) {
        return static_cast<TInflateResult>(result);
    }
    bits = kDistanceLookupBits;
    result =
        BuildHuffmanTable(lengths.data() + literalCount, distanceCount, 0, TFormat::DistanceBases(),
                          TFormat::DistanceExtras(), distances_, bits);
    if (result != hbComplete) {
        return static_cast<TInflateResult>(result);
    }
    return InflateCodes(literals_, distances_);
}

template <typename TFormat>
TInflateResult TInflater<TFormat>::InflateBlock(bool& last) {
    try {
        last = TakeBits(1) != 0;
        const unsigned type = TakeBits(2);
        if (Overrun()) {
            return irBadData;
        }
        switch (type) {
            case btStored:
                return InflateStored();
            case btFixed:
                return InflateFixed();
            case btDynamic:
                return InflateDynamic();
            default:
                return irInvalidBlock;
        }
    } catch (const EUserCanceled&) {
        throw;
    } catch (const ECantWriteUCF&) {
        // A full disk is no fault of the data: the run must say what happened.
        throw;
    } catch (...) {
        // A premature end of the archive or an output larger than declared ends decoding
        // like bad data.
        return irBadData;
    }
}

template <typename TFormat>
TInflateResult TInflater<TFormat>::Run() {
    bool last = false;
    do {
        const TInflateResult result = InflateBlock(last);
        if (result != irOk) {
            return result;
        }
    } while (!last);
    context_.DeliverOutput(window_ + kHistory, position_ - kHistory);
    context_.FlushOutput();
    return irOk;
}

}  // namespace

TInflateResult Inflate(TDecodeContext& context) {
    TInflater<TDeflateFormat> inflater(context);
    return inflater.Run();
}

TInflateResult Inflate64(TDecodeContext& context) {
    context.ReserveWindow(TDecodeContext::kDeflate64WindowSize);
    TInflater<TDeflate64Format> inflater(context);
    return inflater.Run();
}

}  // namespace mobrel
