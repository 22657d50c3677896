// The two ways of folding a buffer into the CRC register, carry-less multiplication where
// the processor has it and the slicing tables everywhere, must give zlib's CRC for every
// length, alignment and split of the data. On a processor without carry-less
// multiplication both calls take the table path and the tests still hold.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <random>
#include <vector>

#include "codecs/crc32.h"
#include "codecs/deflate_test_support.h"

namespace mobrel {
namespace {

using test::Bytes;

uint32_t ZlibCrc(const uint8_t* data, size_t count) {
    return static_cast<uint32_t>(crc32(0L, data, static_cast<uInt>(count)));
}

// Both forms, finished, from a fresh register.
void ExpectBothFormsGiveZlibs(const uint8_t* data, size_t count, const char* what) {
    const uint32_t expected = ZlibCrc(data, count);
    ASSERT_EQ(~UpdateCRCBuffer(kCrcInitial, data, count), expected) << what << " " << count;
    ASSERT_EQ(~UpdateCRCBufferSliced(kCrcInitial, data, count), expected) << what << " " << count;
}

// Lengths 0..300 cross the 16-byte steps of both forms, the 64-byte minimum of folding and
// the four-lane loop several times; offsets 0..15 cover every alignment of the loads.
TEST(Crc32Folding, EveryLengthUpTo300AtEveryAlignment) {
    const Bytes buffer = test::RandomBytes(400, 1234);
    for (size_t offset = 0; offset < 16; ++offset) {
        for (size_t length = 0; length <= 300; ++length) {
            ExpectBothFormsGiveZlibs(buffer.data() + offset, length, "short");
        }
    }
}

// Long buffers, random and with long runs of equal bytes (a lane of zeros folded forward
// is zero: a wrong key there hides until the data is not).
TEST(Crc32Folding, LargeBuffersOfRandomAndRepetitiveData) {
    std::mt19937 random(99);
    Bytes randomData = test::RandomBytes(3'000'000, 7);
    Bytes runs(1'000'000, 0);
    for (size_t i = 0; i < runs.size(); i += 1 + random() % 5000) {
        runs[i] = static_cast<uint8_t>(random());
    }
    for (const Bytes* data : {&randomData, &runs}) {
        ExpectBothFormsGiveZlibs(data->data(), data->size(), "whole");
        for (int round = 0; round < 8; ++round) {
            const size_t offset = random() % 64;
            const size_t length = random() % (data->size() - offset);
            ExpectBothFormsGiveZlibs(data->data() + offset, length, "part");
        }
    }
}

// The register carries over between calls: any split of the data into pieces, by either
// form or the two mixed, gives the CRC of the whole.
TEST(Crc32Folding, IncrementalUpdatesSplitAtRandomPoints) {
    std::mt19937 random(4321);
    const Bytes data = test::RandomBytes(200'000, 11);
    const uint32_t expected = ZlibCrc(data.data(), data.size());
    for (int round = 0; round < 40; ++round) {
        std::vector<size_t> cuts = {0, data.size()};
        const int pieces = 1 + static_cast<int>(random() % 12);
        for (int k = 0; k < pieces; ++k) {
            cuts.push_back(random() % data.size());
        }
        std::sort(cuts.begin(), cuts.end());
        uint32_t folded = kCrcInitial;
        uint32_t sliced = kCrcInitial;
        uint32_t mixed = kCrcInitial;
        for (size_t k = 0; k + 1 < cuts.size(); ++k) {
            const uint8_t* piece = data.data() + cuts[k];
            const size_t count = cuts[k + 1] - cuts[k];
            folded = UpdateCRCBuffer(folded, piece, count);
            sliced = UpdateCRCBufferSliced(sliced, piece, count);
            mixed = k % 2 == 0 ? UpdateCRCBuffer(mixed, piece, count)
                               : UpdateCRCBufferSliced(mixed, piece, count);
        }
        ASSERT_EQ(~folded, expected) << "round " << round;
        ASSERT_EQ(~sliced, expected) << "round " << round;
        ASSERT_EQ(~mixed, expected) << "round " << round;
    }
}

}  // namespace
}  // namespace mobrel
