// Deflate64 through the inflate decoder's second configuration, over streams written bit by
// bit here with the fixed codes: the long length code, the far distance codes, the 64 KB
// history, and deflate keeping its own rules for the same bit patterns.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "codecs/decode_context.h"
#include "codecs/inflate.h"
#include "codecs/memory_decode_context.h"
#include "deflate_test_support.h"
#include "platform/engine_errors.h"

namespace mobrel {
namespace {

using test::RandomBytes;
using test::TBits;

using Bytes = std::vector<uint8_t>;

// A final block with the fixed codes.
class TFixedBlock {
  public:
    TFixedBlock() {
        bits_.Put(1, 1);
        bits_.Put(1, 2);
    }
    void Literal(uint8_t value) {
        if (value < 144) {
            bits_.PutCode(0x30 + value, 8);
        } else {
            bits_.PutCode(0x190 + value - 144, 9);
        }
    }
    void Symbol(unsigned symbol) {  // 256..287
        if (symbol < 280) {
            bits_.PutCode(symbol - 256, 7);
        } else {
            bits_.PutCode(0xC0 + symbol - 280, 8);
        }
    }
    // A match with the given length and distance codes and their extra bits.
    void Match(unsigned lengthSymbol, uint32_t lengthExtra, unsigned lengthBits,
               unsigned distanceCode, uint32_t distanceExtra, unsigned distanceBits) {
        Symbol(lengthSymbol);
        bits_.Put(lengthExtra, lengthBits);
        bits_.PutCode(distanceCode, 5);
        bits_.Put(distanceExtra, distanceBits);
    }
    Bytes Finish() {
        Symbol(256);
        return bits_.Data();
    }

  private:
    TBits bits_;
};

struct Decoded {
    TInflateResult Result;
    Bytes Output;
};

// The final hand-over may raise EBiggerThanUncompressed, which the caller of a decoder
// handles; here it counts as bad data.
template <typename TDecoder>
Decoded Decode(TMemoryDecodeContext& context, const Bytes& stream, TDecoder decoder,
               int64_t limit = int64_t{1} << 24) {
    context.SetArchive(stream);
    context.Start(limit);
    TInflateResult result = irBadData;
    try {
        result = decoder(context);
    } catch (const EBiggerThanUncompressed&) {
    }
    return {result, context.Output()};
}

Decoded Decode64(const Bytes& stream, int64_t limit = int64_t{1} << 24) {
    TMemoryDecodeContext context{std::span<const uint8_t>()};
    return Decode(context, stream, Inflate64, limit);
}

// 64 KB of literals, then what `matches` adds; returns the stream and the expected output.
template <typename TAddMatches>
std::pair<Bytes, Bytes> LiteralsThen(size_t literalCount, TAddMatches addMatches) {
    const Bytes literals = RandomBytes(literalCount, 7);
    TFixedBlock block;
    for (uint8_t b : literals) {
        block.Literal(b);
    }
    Bytes expected = literals;
    addMatches(block, expected);
    return {block.Finish(), expected};
}

void CopyBack(Bytes& output, size_t length, size_t distance) {
    for (size_t i = 0; i < length; ++i) {
        output.push_back(output[output.size() - distance]);
    }
}

TEST(Inflate64, LongLengthsAndFarDistancesReachAcrossTheWholeHistory) {
    // Length code 285 with 16 extra bits (3 + 65535), distance code 31 at its farthest
    // (49153 + 16383 = 65536), distance code 30 at its nearest (32769), and a short match
    // with ordinary codes after them.
    const auto [stream, expected] = LiteralsThen(65536, [](TFixedBlock& block, Bytes& out) {
        block.Match(285, 65535, 16, 31, 16383, 14);
        CopyBack(out, 65538, 65536);
        block.Match(285, 0, 16, 30, 0, 14);
        CopyBack(out, 3, 32769);
        block.Match(265, 1, 1, 4, 1, 1);  // length 12, distance 6
        CopyBack(out, 12, 6);
    });
    const Decoded decoded = Decode64(stream);
    EXPECT_EQ(decoded.Result, irOk);
    ASSERT_EQ(decoded.Output.size(), expected.size());
    EXPECT_TRUE(decoded.Output == expected);
}

TEST(Inflate64, ManyLongMatchesSlideTheWindowAndTheNextEntryStartsClean) {
    // Long matches back to back cross many output chunks; the same context then decodes a
    // deflate stream, which must not see the Deflate64 history.
    const auto [stream, expected] = LiteralsThen(40000, [](TFixedBlock& block, Bytes& out) {
        for (int i = 0; i < 12; ++i) {
            block.Match(285, 50000 - 3, 16, 30, 40000 - 32769, 14);
            CopyBack(out, 50000, 40000);
        }
    });
    TMemoryDecodeContext context{std::span<const uint8_t>()};
    const Decoded decoded = Decode(context, stream, Inflate64);
    EXPECT_EQ(decoded.Result, irOk);
    EXPECT_TRUE(decoded.Output == expected);

    TFixedBlock reaching;  // a literal, then a match 30,000 bytes back: before this entry
    reaching.Literal('a');
    reaching.Match(257, 0, 0, 29, 30000 - 24577, 13);
    EXPECT_EQ(Decode(context, reaching.Finish(), Inflate).Result, irBadData);
    TFixedBlock plain;
    plain.Literal('o');
    plain.Literal('k');
    const Decoded deflate = Decode(context, plain.Finish(), Inflate);
    EXPECT_EQ(deflate.Result, irOk);
    EXPECT_EQ(deflate.Output, (Bytes{'o', 'k'}));
}

TEST(Inflate64, TheCodesDeflate64AddsAreStillInvalidOrShortInDeflate) {
    // The same bits under deflate: distance codes 30 and 31 are invalid, and length code
    // 285 is 258 with no extra bits, so the 16 bits after it decode as something else.
    const auto [far, farExpected] =
        LiteralsThen(100, [](TFixedBlock& block, Bytes&) { block.Match(257, 0, 0, 30, 0, 14); });
    TMemoryDecodeContext context{std::span<const uint8_t>()};
    EXPECT_EQ(Decode(context, far, Inflate).Result, irBadData);

    TFixedBlock block;
    block.Literal('x');
    block.Match(285, 0, 16, 0, 0, 0);  // Deflate64: 3 bytes; deflate: 258 bytes, then junk
    block.Literal('y');
    const Bytes stream = block.Finish();
    const Decoded as64 = Decode(context, stream, Inflate64);
    EXPECT_EQ(as64.Result, irOk);
    EXPECT_EQ(as64.Output, (Bytes{'x', 'x', 'x', 'x', 'y'}));
    const Decoded asDeflate = Decode(context, stream, Inflate);
    EXPECT_FALSE(asDeflate.Result == irOk && asDeflate.Output == as64.Output);
}

TEST(Inflate64, BadStreamsEndDecodingWithoutReachingOutsideTheEntry) {
    // A distance past everything produced so far, a stream cut inside the 16 extra length
    // bits, and an output larger than the declared size.
    const auto [tooFar, unused1] = LiteralsThen(
        1000, [](TFixedBlock& block, Bytes&) { block.Match(285, 100, 16, 31, 0, 14); });
    EXPECT_EQ(Decode64(tooFar).Result, irBadData);

    TFixedBlock cut;
    cut.Literal('a');
    cut.Match(285, 0xFFFF, 16, 0, 0, 0);
    Bytes cutStream = cut.Finish();
    cutStream.resize(2);
    EXPECT_EQ(Decode64(cutStream).Result, irBadData);

    const auto [big, bigExpected] = LiteralsThen(10, [](TFixedBlock& block, Bytes& out) {
        block.Match(285, 65535, 16, 0, 0, 0);
        CopyBack(out, 65538, 1);
    });
    const Decoded limited = Decode64(big, static_cast<int64_t>(bigExpected.size()) - 1);
    EXPECT_EQ(limited.Result, irBadData);
    EXPECT_LT(limited.Output.size(), bigExpected.size());
    EXPECT_EQ(Decode64(big, static_cast<int64_t>(bigExpected.size())).Output, bigExpected);
}

}  // namespace
}  // namespace mobrel
