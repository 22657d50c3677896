#include "codecs/inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "codecs/crc32.h"
#include "codecs/memory_decode_context.h"
#include "platform/engine_errors.h"
#include "test_support.h"

namespace mobrel {
namespace {

using Bytes = std::vector<uint8_t>;

// Raw deflate (no zlib header) by zlib; syncEvery > 0 adds a sync flush (an empty stored
// block and a byte boundary) after every that many input bytes.
Bytes ZlibDeflate(const Bytes& input, int level, int strategy, size_t syncEvery = 0,
                  int memLevel = 8) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, level, Z_DEFLATED, -15, memLevel, strategy), Z_OK);
    const size_t flushes = syncEvery > 0 ? input.size() / syncEvery + 1 : 1;
    Bytes output(deflateBound(&stream, input.size()) + 64 + 16 * flushes);
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(output.size());
    size_t done = 0;
    do {
        const size_t piece =
            syncEvery > 0 ? std::min(syncEvery, input.size() - done) : input.size() - done;
        stream.next_in = const_cast<Bytes::value_type*>(input.data()) + done;
        stream.avail_in = static_cast<uInt>(piece);
        done += piece;
        const int flush = done == input.size() ? Z_FINISH : Z_SYNC_FLUSH;
        const int rc = deflate(&stream, flush);
        EXPECT_TRUE(rc == Z_OK || rc == Z_STREAM_END) << rc;
    } while (done < input.size());
    output.resize(stream.total_out);
    deflateEnd(&stream);
    return output;
}

struct Decoded {
    TInflateResult Result;
    Bytes Output;
    uint32_t Crc;
    int Flushes;
};

Decoded RunInflate(const Bytes& compressed, int64_t limit = int64_t{1} << 30) {
    TMemoryDecodeContext context(compressed);
    context.Start(limit);
    const TInflateResult result = Inflate(context);
    return {result, context.Output(), context.FinishedCrc(), context.FlushCount()};
}

Bytes RandomBytes(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes(count);
    for (auto& b : bytes) {
        b = static_cast<uint8_t>(random());
    }
    return bytes;
}

// Text-like data from a small vocabulary, with matches at every distance.
Bytes Words(size_t count, uint32_t seed) {
    static const char* const kWords[] = {"the ",    "zip ",    "archive ",  "entry ", "of ",
                                         "data\n",  "window ", "<div>",     "</div>", "a",
                                         "header ", "\t",      "function(", ") {",    "}\n"};
    std::mt19937 random(seed);
    Bytes bytes;
    while (bytes.size() < count) {
        const char* word = kWords[random() % std::size(kWords)];
        bytes.insert(bytes.end(), word, word + std::strlen(word));
    }
    bytes.resize(count);
    return bytes;
}

// Runs and repeats: long matches, distance 1 and the farthest distance, periods below 8.
Bytes Structured(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes;
    const Bytes block = RandomBytes(32768, seed + 1);
    while (bytes.size() < count) {
        switch (random() % 5) {
            case 0:
                bytes.insert(bytes.end(), 1000 + random() % 3000, static_cast<uint8_t>(random()));
                break;
            case 1: {  // a short period repeated
                const unsigned period = 2 + random() % 6;
                for (unsigned i = 0; i < 600; ++i) {
                    bytes.push_back(static_cast<uint8_t>('a' + i % period));
                }
                break;
            }
            case 2:  // the same 32 KB again: matches at distance 32768
                bytes.insert(bytes.end(), block.begin(), block.end());
                break;
            case 3: {
                const Bytes noise = RandomBytes(500 + random() % 2000, random());
                bytes.insert(bytes.end(), noise.begin(), noise.end());
                break;
            }
            default: {
                const Bytes text = Words(3000, random());
                bytes.insert(bytes.end(), text.begin(), text.end());
            }
        }
    }
    bytes.resize(count);
    return bytes;
}

Bytes CorpusSample(size_t count) {
    Bytes bytes;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(test::CorpusDir() / "small")) {
        if (entry.is_regular_file()) {
            const Bytes file = test::ReadFileBytes(entry.path());
            bytes.insert(bytes.end(), file.begin(), file.end());
            if (bytes.size() >= count) {
                break;
            }
        }
    }
    bytes.resize(std::min(bytes.size(), count));
    return bytes;
}

void ExpectInflatesTo(const Bytes& compressed, const Bytes& original) {
    const Decoded decoded = RunInflate(compressed);
    ASSERT_EQ(decoded.Result, irOk);
    ASSERT_EQ(decoded.Output.size(), original.size());
    ASSERT_TRUE(decoded.Output == original);
    EXPECT_EQ(decoded.Crc, Crc32Of(original.data(), original.size()));
    EXPECT_EQ(decoded.Flushes, static_cast<int>((original.size() + 32767) / 32768));
}

TEST(InflateAgainstZlib, EveryLevelAndStrategyOnRandomTextAndStructuredData) {
    const std::vector<std::pair<const char*, Bytes>> inputs = {
        {"random", RandomBytes(100000, 1)},
        {"words", Words(150000, 2)},
        {"structured", Structured(300000, 3)},
        {"corpus", CorpusSample(400000)},
        {"tiny", Words(5, 4)},
        {"empty", {}},
    };
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    for (const auto& [name, input] : inputs) {
        for (int level = 0; level <= 9; ++level) {
            for (int strategy : strategies) {
                SCOPED_TRACE(testing::Message()
                             << name << " level " << level << " strategy " << strategy);
                ExpectInflatesTo(ZlibDeflate(input, level, strategy), input);
            }
        }
    }
}

TEST(InflateAgainstZlib, SyncFlushesAndSmallBlocksAcrossInputPieces) {
    const Bytes input = Structured(200000, 9);
    const Bytes head(input.begin(), input.begin() + 3000);
    ExpectInflatesTo(ZlibDeflate(head, 6, Z_DEFAULT_STRATEGY, 1), head);
    for (size_t syncEvery : {777u, 32768u, 40000u}) {
        SCOPED_TRACE(syncEvery);
        ExpectInflatesTo(ZlibDeflate(input, 6, Z_DEFAULT_STRATEGY, syncEvery), input);
        ExpectInflatesTo(ZlibDeflate(input, 0, Z_DEFAULT_STRATEGY, syncEvery), input);
    }
    // memLevel 1 makes zlib end blocks early: many dynamic blocks.
    ExpectInflatesTo(ZlibDeflate(input, 9, Z_DEFAULT_STRATEGY, 0, 1), input);
}

// Writes a deflate stream bit by bit, least significant bit first.
class BitWriter {
  public:
    void Put(uint64_t value, unsigned count) {
        for (unsigned i = 0; i < count; ++i) {
            if (bit_ == 0) {
                bytes_.push_back(0);
            }
            bytes_.back() |= static_cast<uint8_t>(((value >> i) & 1) << bit_);
            bit_ = (bit_ + 1) % 8;
        }
    }
    // A Huffman code goes most significant bit first.
    void PutCode(uint32_t code, unsigned length) {
        for (unsigned i = length; i-- > 0;) {
            Put((code >> i) & 1, 1);
        }
    }
    void FixedSymbol(unsigned symbol) {
        if (symbol < 144) {
            PutCode(0x30 + symbol, 8);
        } else if (symbol < 256) {
            PutCode(0x190 + symbol - 144, 9);
        } else if (symbol < 280) {
            PutCode(symbol - 256, 7);
        } else {
            PutCode(0xC0 + symbol - 280, 8);
        }
    }
    void FixedDistance(unsigned code) { PutCode(code, 5); }
    const Bytes& Data() const { return bytes_; }

  private:
    Bytes bytes_;
    unsigned bit_ = 0;
};

TEST(InflateEdges, StoredBlocksEmptyAndOfExactlyOneWindow) {
    const Decoded empty = RunInflate({0x01, 0x00, 0x00, 0xFF, 0xFF});
    EXPECT_EQ(empty.Result, irOk);
    EXPECT_TRUE(empty.Output.empty());
    EXPECT_EQ(empty.Crc, 0u);
    EXPECT_EQ(empty.Flushes, 0);

    // One window's worth: handed over once inside the block; the end hands over nothing.
    const Bytes payload = RandomBytes(32768, 5);
    Bytes stream = {0x01, 0x00, 0x80, 0xFF, 0x7F};
    stream.insert(stream.end(), payload.begin(), payload.end());
    const Decoded full = RunInflate(stream);
    EXPECT_EQ(full.Result, irOk);
    EXPECT_TRUE(full.Output == payload);
    EXPECT_EQ(full.Flushes, 1);

    stream[3] = 0xFE;  // NLEN no longer the complement of LEN
    EXPECT_EQ(RunInflate(stream).Result, irBadData);
    EXPECT_TRUE(RunInflate(stream).Output.empty());
}

TEST(InflateEdges, FixedBlockMatchOfDistanceOneRepeatsAByte) {
    BitWriter w;
    w.Put(1, 1);  // last block
    w.Put(1, 2);  // fixed
    w.FixedSymbol('q');
    w.FixedSymbol(285);  // length 258
    w.FixedDistance(0);  // distance 1
    w.FixedSymbol(256);
    const Decoded decoded = RunInflate(w.Data());
    EXPECT_EQ(decoded.Result, irOk);
    EXPECT_EQ(decoded.Output, Bytes(259, 'q'));
}

TEST(InflateEdges, InvalidSymbolsAndHeadersStopDecoding) {
    for (unsigned symbol : {286u, 287u}) {  // length codes no stream may use
        BitWriter w;
        w.Put(1, 1);
        w.Put(1, 2);
        w.FixedSymbol('a');
        w.FixedSymbol(symbol);
        w.FixedDistance(0);
        w.FixedSymbol(256);
        EXPECT_EQ(RunInflate(w.Data()).Result, irBadData) << symbol;
    }
    for (unsigned code : {30u, 31u}) {  // distance codes beyond the 30 defined
        BitWriter w;
        w.Put(1, 1);
        w.Put(1, 2);
        w.FixedSymbol('a');
        w.FixedSymbol(257);
        w.FixedDistance(code);
        w.FixedSymbol(256);
        EXPECT_EQ(RunInflate(w.Data()).Result, irBadData) << code;
    }
    {
        BitWriter w;  // dynamic block with HLIT 287
        w.Put(1, 1);
        w.Put(2, 2);
        w.Put(30, 5);
        w.Put(0, 5);
        w.Put(0, 4);
        w.Put(0, 32);
        EXPECT_EQ(RunInflate(w.Data()).Result, irBadData);
    }
    {
        BitWriter w;  // dynamic block whose code-length code has no symbol at all
        w.Put(1, 1);
        w.Put(2, 2);
        w.Put(0, 5);
        w.Put(0, 5);
        w.Put(15, 4);
        w.Put(0, 19 * 3);
        w.Put(0, 32);
        EXPECT_EQ(RunInflate(w.Data()).Result, irBadData);
    }
    EXPECT_EQ(RunInflate({0x07, 0x00}).Result, irInvalidBlock);  // block type 3
    EXPECT_EQ(RunInflate({}).Result, irBadData);                 // no data at all
}

// The window is shared between entries and is not cleared: a distance reaching before
// this entry's first byte must not copy what an earlier entry (or nothing) left there.
TEST(InflateEdges, DistanceBeforeTheFirstByteIsBadDataNotOldWindowContent) {
    const Bytes earlier = Words(70000, 11);
    const Bytes earlierStream = ZlibDeflate(earlier, 6, Z_DEFAULT_STRATEGY);
    for (unsigned distance : {1u, 2u, 3u, 100u}) {
        BitWriter w;
        w.Put(1, 1);
        w.Put(1, 2);
        w.FixedSymbol('x');
        w.FixedSymbol('y');
        w.FixedSymbol(257);  // length 3
        // Distance codes 0..3 are distances 1..4 without extra bits; 100 is code 13
        // (base 97) with 6 extra bits.
        if (distance <= 4) {
            w.FixedDistance(distance - 1);
        } else {
            w.FixedDistance(13);
            w.Put(distance - 97, 6);
        }
        w.FixedSymbol(256);
        const Bytes stream = w.Data();

        // The context that decoded an earlier entry goes on to this one, as extraction
        // does: its window still holds the earlier entry's bytes.
        TMemoryDecodeContext context(earlierStream);
        context.Start(1 << 20);
        ASSERT_EQ(Inflate(context), irOk);
        context.SetArchive(stream);
        context.Start(1 << 20);
        const TInflateResult result = Inflate(context);
        const Bytes& output = context.Output();
        if (distance <= 2) {
            EXPECT_EQ(result, irOk) << distance;
            EXPECT_EQ(output, (distance == 1 ? Bytes{'x', 'y', 'y', 'y', 'y'}
                                             : Bytes{'x', 'y', 'x', 'y', 'x'}));
        } else {
            EXPECT_EQ(result, irBadData) << distance;
            EXPECT_TRUE(output.empty());
        }
    }
}

// A stream cut anywhere needs bits it does not have: decoding stops as bad data (the
// missing bytes are never taken as zeros that happen to decode).
TEST(InflateDamage, TruncatedStreamsAlwaysFail) {
    const Bytes input = Structured(40000, 21);
    for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED}) {
        const Bytes full = ZlibDeflate(input, 6, strategy);
        for (size_t cut = 0; cut < full.size(); cut += (cut < 300 ? 1 : 97)) {
            const Bytes truncated(full.begin(), full.begin() + static_cast<long>(cut));
            const Decoded decoded = RunInflate(truncated);
            ASSERT_NE(decoded.Result, irOk) << "cut at " << cut;
        }
    }
    const Bytes stored = ZlibDeflate(RandomBytes(3000, 22), 0, Z_DEFAULT_STRATEGY);
    for (size_t cut = 0; cut < stored.size(); ++cut) {
        ASSERT_NE(RunInflate(Bytes(stored.begin(), stored.begin() + static_cast<long>(cut))).Result,
                  irOk);
    }
}

// Damaged data must never crash or read out of bounds; when it still decodes, what it
// gives is either the original or something the CRC check rejects.
TEST(InflateDamage, CorruptedStreamsEndQuietlyAndTheCrcCatchesThem) {
    std::mt19937 random(31);
    const Bytes input = Structured(60000, 32);
    const uint32_t crc = Crc32Of(input.data(), input.size());
    for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY, Z_RLE}) {
        const Bytes good = ZlibDeflate(input, 9, strategy);
        for (int trial = 0; trial < 300; ++trial) {
            Bytes bad = good;
            const int flips = 1 + static_cast<int>(random() % 4);
            for (int i = 0; i < flips; ++i) {
                bad[random() % bad.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
            }
            const Decoded decoded = RunInflate(bad, 200000);
            if (decoded.Result == irOk && decoded.Crc == crc) {
                ASSERT_TRUE(decoded.Output == input);
            }
        }
    }
    for (int trial = 0; trial < 2000; ++trial) {
        RunInflate(RandomBytes(1 + random() % 400, random()), 1 << 20);
    }
}

// Reads fail as a short archive does, or as a cancel request does, at a chosen read.
class FailingContext : public TMemoryDecodeContext {
  public:
    FailingContext(std::span<const uint8_t> archive, int failingRead, bool cancel)
        : TMemoryDecodeContext(archive), failingRead_(failingRead), cancel_(cancel) {}

  protected:
    void ReadArchive(uint8_t* buffer, size_t count) override {
        if (++reads_ == failingRead_) {
            if (cancel_) {
                throw EUserCanceled("User Aborted Operation");
            }
            throw EFatalUnzipError("Premature end of file reached");
        }
        TMemoryDecodeContext::ReadArchive(buffer, count);
    }

  private:
    int reads_ = 0;
    int failingRead_;
    bool cancel_;
};

TEST(InflateDamage, ArchiveErrorsInsideABlockEndDecodingButCancelPassesOn) {
    const Bytes input = RandomBytes(100000, 41);  // stored blocks: > 3 input pieces
    const Bytes stream = ZlibDeflate(input, 6, Z_DEFAULT_STRATEGY);
    ASSERT_GT(stream.size(), 3 * TDecodeContext::kBlockSize);

    FailingContext prematureEnd(stream, 2, false);
    prematureEnd.Start(1 << 20);
    EXPECT_EQ(Inflate(prematureEnd), irBadData);
    EXPECT_EQ(prematureEnd.Output().size(), 0u);  // nothing handed over after the failure

    // A declared compressed size beyond the archive's end is the same premature end.
    TMemoryDecodeContext shortArchive(stream);
    shortArchive.Start(static_cast<int64_t>(stream.size()) + 10, 1 << 20);
    EXPECT_EQ(Inflate(shortArchive), irBadData);

    FailingContext canceled(stream, 3, true);
    canceled.Start(1 << 20);
    EXPECT_THROW(Inflate(canceled), EUserCanceled);
}

TEST(InflateDamage, OutputBeyondTheDeclaredSizeFailsInsideABlockAndRaisesAtTheEnd) {
    const Bytes big = Words(100000, 51);
    // A window handed over inside a block that exceeds the size: decoding stops.
    EXPECT_EQ(RunInflate(ZlibDeflate(big, 6, Z_DEFAULT_STRATEGY), 50000).Result, irBadData);
    // The final hand-over after the last block is not caught by the decoder.
    const Bytes small = Words(1000, 52);
    EXPECT_THROW(RunInflate(ZlibDeflate(small, 6, Z_DEFAULT_STRATEGY), 999),
                 EBiggerThanUncompressed);
    EXPECT_EQ(RunInflate(ZlibDeflate(small, 6, Z_DEFAULT_STRATEGY), 1000).Result, irOk);
}

}  // namespace
}  // namespace mobrel
