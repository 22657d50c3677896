// The paths of inflate's fast loop that ordinary streams rarely reach: wide match copies
// of every short distance that run past the end of the output chunk, streams whose last
// bit is the last bit of an input piece (where the fast loop hands over to the careful
// one), Deflate64's longest matches taken there one after another, and long literal codes
// read through a sub-table between refills.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <random>
#include <vector>

#include "codecs/crc32.h"
#include "codecs/deflate_format.h"
#include "codecs/inflate.h"
#include "codecs/memory_decode_context.h"
#include "deflate_test_support.h"

namespace mobrel {
namespace {

using Bytes = std::vector<uint8_t>;
using test::RandomBytes;

constexpr size_t kChunk = 32768;

// A single final block with the fixed codes, and the output it must decode to.
class TFixedStream {
  public:
    // Deflate64 gives length code 285 16 extra bits, so 258 is code 284 with 31 there.
    explicit TFixedStream(bool deflate64 = false) : deflate64_(deflate64) {
        Put(1, 1);
        Put(1, 2);
    }

    void Literal(uint8_t value) {
        if (value < 144) {
            PutCode(0x30 + value, 8);
        } else {
            PutCode(0x190 + value - 144, 9);
        }
        expected_.push_back(value);
    }
    void Literals(const Bytes& values) {
        for (uint8_t value : values) {
            Literal(value);
        }
    }
    // A deflate match (length 3..258); longLength writes Deflate64's length code 285 with
    // its 16 extra bits instead (length 3..65538). Distances past 32,768 take Deflate64's
    // codes 30 and 31.
    void Match(unsigned length, unsigned distance, bool longLength = false) {
        if (longLength) {
            Symbol(285);
            Put(length - 3, 16);
        } else {
            const unsigned code = CodeOf(kLengthBase, kLengthCodes - (deflate64_ ? 1 : 0), length);
            Symbol(257 + code);
            Put(length - kLengthBase[code], kExtraLengthBits[code]);
        }
        if (distance > 32768) {
            const bool upper = distance >= 49153;
            PutCode(upper ? 31 : 30, 5);
            Put(distance - (upper ? 49153 : 32769), 14);
        } else {
            const unsigned code = CodeOf(kDistanceBase, kDistanceCodes, distance);
            PutCode(code, 5);
            Put(distance - kDistanceBase[code], kExtraDistanceBits[code]);
        }
        for (unsigned i = 0; i < length; ++i) {
            expected_.push_back(expected_[expected_.size() - distance]);
        }
    }
    // Distance-1 matches up to the given output size.
    void RunTo(size_t size) {
        while (expected_.size() < size) {
            size_t length = std::min<size_t>(size - expected_.size(), kMaxMatch);
            if (size - expected_.size() - length < kMinMatch && length > 2 * kMinMatch) {
                length -= kMinMatch;  // leaves a remainder a match can cover
            }
            if (length < kMinMatch) {
                Literal(expected_.back());
                continue;
            }
            Match(static_cast<unsigned>(length), 1);
        }
    }
    Bytes Finish() {
        Symbol(256);
        return bits_.Data();
    }

    size_t BitsUsed() const { return bits_.BitsUsed(); }
    size_t OutputSize() const { return expected_.size(); }
    const Bytes& Expected() const { return expected_; }

  private:
    static unsigned CodeOf(const uint16_t* bases, int count, unsigned value) {
        unsigned code = 0;
        while (static_cast<int>(code) + 1 < count && bases[code + 1] <= value) {
            ++code;
        }
        return code;
    }
    void Symbol(unsigned symbol) {  // 256..287
        if (symbol < 280) {
            PutCode(symbol - 256, 7);
        } else {
            PutCode(0xC0 + symbol - 280, 8);
        }
    }
    void Put(uint32_t value, unsigned count) { bits_.Put(value, count); }
    void PutCode(uint32_t code, unsigned length) { bits_.PutCode(code, length); }

    bool deflate64_;
    test::TBits bits_;
    Bytes expected_;
};

struct Decoded {
    TInflateResult Result;
    Bytes Output;
    uint32_t Crc;
};

Decoded Decode(TInflateResult (*decoder)(TDecodeContext&), const Bytes& stream) {
    TMemoryDecodeContext context(stream);
    context.Start(int64_t{1} << 30);
    const TInflateResult result = decoder(context);
    return {result, context.Output(), context.FinishedCrc()};
}

void ExpectDecodes(TInflateResult (*decoder)(TDecodeContext&), const Bytes& stream,
                   const Bytes& expected) {
    const Decoded decoded = Decode(decoder, stream);
    ASSERT_EQ(decoded.Result, irOk);
    ASSERT_EQ(decoded.Output.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(decoded.Output[i], expected[i]) << "first difference at byte " << i;
    }
    EXPECT_EQ(decoded.Crc, Crc32Of(expected.data(), expected.size()));
}

// One match per output chunk, starting `before` bytes ahead of the chunk's end: its wide
// copy writes past the end, into the room the window keeps, and the bytes after it
// must overwrite what the copy left there. Random bytes right before the match make every
// wrong source byte visible.
void AddMatchesAtChunkEnds(TFixedStream& stream, const std::vector<unsigned>& distances,
                           const std::vector<unsigned>& lengths, bool longLength) {
    uint32_t seed = 100;
    for (const size_t before : {1u, 7u, 8u, 15u, 16u, 300u}) {
        for (const unsigned length : lengths) {
            for (const unsigned distance : distances) {
                size_t chunkEnd = (stream.OutputSize() / kChunk + 1) * kChunk;
                if (chunkEnd < stream.OutputSize() + before + 24 + kMinMatch) {
                    chunkEnd += kChunk;
                }
                stream.RunTo(chunkEnd - before - 24);
                stream.Literals(RandomBytes(24, ++seed));
                stream.Match(length, distance, longLength);
                stream.Literals(RandomBytes(20, ++seed));
            }
        }
    }
}

std::vector<unsigned> ShortDistances() {
    std::vector<unsigned> distances;
    for (unsigned distance = 1; distance <= 24; ++distance) {
        distances.push_back(distance);
    }
    return distances;
}

TEST(InflateFastLoop, WideCopiesOfEveryShortDistanceAcrossTheChunkEnd) {
    TFixedStream stream;
    stream.Literals(RandomBytes(24, 1));
    AddMatchesAtChunkEnds(stream, ShortDistances(), {3, 16, 258}, false);
    const Bytes expected = stream.Expected();
    ExpectDecodes(Inflate, stream.Finish(), expected);
}

TEST(InflateFastLoop, Deflate64LongestMatchesAcrossTheChunkEnd) {
    TFixedStream stream(true);
    stream.Literals(RandomBytes(24, 2));
    AddMatchesAtChunkEnds(stream, {1, 2, 5, 8, 13, 16, 17, 40000}, {65538, 40001}, true);
    AddMatchesAtChunkEnds(stream, {3, 8, 16, 65536}, {258}, false);
    const Bytes expected = stream.Expected();
    ExpectDecodes(Inflate64, stream.Finish(), expected);
}

// Deflate64's longest matches back to back in the last bytes of the input, where the
// careful path takes one symbol at a time: after each one the output lies more than a
// chunk past the chunk's end, and the next match must not start there.
TEST(InflateFastLoop, Deflate64LongestMatchesBackToBackInTheLastInputBytes) {
    for (unsigned count = 1; count <= 4; ++count) {
        SCOPED_TRACE(count);
        TFixedStream stream(true);
        stream.Literals(RandomBytes(5, count));
        for (unsigned i = 0; i < count; ++i) {
            stream.Match(65538, 1 + i, true);
        }
        stream.Match(10, 3);
        stream.Literal('z');
        const Bytes expected = stream.Expected();
        ExpectDecodes(Inflate64, stream.Finish(), expected);
    }
}

// A stream of exactly `bytes` bytes whose end-of-block code ends `spare` bits before
// the end of its last byte: varied symbols, then 8- and 9-bit literals to fill up.
TFixedStream StreamOfSize(size_t bytes, unsigned spare, uint32_t seed) {
    TFixedStream stream;
    std::mt19937 random(seed);
    stream.Literals(RandomBytes(40, seed));
    const size_t lastBit = 8 * bytes - spare;
    while (stream.BitsUsed() + 200 < lastBit) {
        if (random() % 3 == 0) {
            stream.Match(3 + random() % 256, 1 + random() % 40);
        } else {
            stream.Literal(static_cast<uint8_t>(random()));
        }
    }
    const size_t fill = lastBit - 7 - stream.BitsUsed();
    const size_t nineBit = fill % 8;  // 8a + 9b = fill
    for (size_t i = 0; i < nineBit; ++i) {
        stream.Literal(200);
    }
    for (size_t i = 0; i < (fill - 9 * nineBit) / 8; ++i) {
        stream.Literal('a');
    }
    return stream;
}

TEST(InflateFastLoop, FinalBlockEndingAtAnInputPieceBoundaryOrJustAround) {
    // Input arrives in 32 KB pieces; the fast loop needs eight bytes ahead, so the last
    // symbols near each piece end go through the careful path.
    for (const size_t bytes : {kChunk - 9, kChunk - 8, kChunk - 1, kChunk, kChunk + 1, kChunk + 8,
                               2 * kChunk, 3 * kChunk - 4}) {
        for (const unsigned spare : {0u, 1u, 7u}) {
            SCOPED_TRACE(testing::Message() << bytes << " bytes, " << spare << " spare bits");
            TFixedStream built = StreamOfSize(bytes, spare, static_cast<uint32_t>(bytes + spare));
            const Bytes expected = built.Expected();
            Bytes stream = built.Finish();
            ASSERT_EQ(stream.size(), bytes);
            ExpectDecodes(Inflate, stream, expected);
            // Without its last byte the end-of-block code is incomplete.
            stream.pop_back();
            EXPECT_EQ(Decode(Inflate, stream).Result, irBadData);
        }
    }
}

// Bytes of a steep distribution: the rare ones get literal codes longer than the
// primary table, so the fast loop reads them through a sub-table.
Bytes Skewed(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::geometric_distribution<int> steep(0.35);
    Bytes bytes(count);
    for (auto& b : bytes) {
        b = static_cast<uint8_t>(std::min(steep(random), 255) * 37);
    }
    return bytes;
}

Bytes ZlibRawDeflate(const Bytes& input, int level, int strategy) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
    Bytes out(deflateBound(&z, input.size()));
    z.next_in = const_cast<uint8_t*>(input.data());
    z.avail_in = static_cast<uInt>(input.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

TEST(InflateFastLoop, LongLiteralCodesThroughTheSubTable) {
    for (const int strategy : {Z_HUFFMAN_ONLY, Z_DEFAULT_STRATEGY}) {
        SCOPED_TRACE(strategy);
        const Bytes input = Skewed(300000, static_cast<uint32_t>(strategy) + 5);
        ExpectDecodes(Inflate, ZlibRawDeflate(input, 9, strategy), input);
    }
}

}  // namespace
}  // namespace mobrel
