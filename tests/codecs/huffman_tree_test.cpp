// The tree builder on its own: the code lengths it gives must form a complete prefix code
// within the length limit, whatever the frequencies.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "codecs/canonical_codes.h"
#include "codecs/huffman_tree.h"

namespace mobrel {
namespace {

const uint8_t kNoExtraBits[kLiteralCodes] = {};

struct Built {
    THuffmanTree Tree;
    TBlockBitCounts Counts;
};

Built BuildTree(const std::vector<uint32_t>& frequencies, int maxLength) {
    Built built{};
    for (size_t n = 0; n < frequencies.size(); ++n) {
        built.Tree.Freq[n] = frequencies[n];
    }
    const TTreeDescription description{nullptr, kNoExtraBits, 0,
                                       static_cast<int>(frequencies.size()), maxLength};
    THuffmanTreeBuilder builder;
    builder.BuildTree(built.Tree, description, built.Counts);
    return built;
}

// Sum over used codes of 2^(maxBits - length): exactly 2^maxBits for a complete code.
uint64_t KraftSum(const THuffmanTree& tree, int codes) {
    uint64_t sum = 0;
    for (int n = 0; n < codes; ++n) {
        if (tree.Len[n] != 0) {
            sum += uint64_t{1} << (kMaxBits - tree.Len[n]);
        }
    }
    return sum;
}

std::vector<uint32_t> Fibonacci(int count) {
    std::vector<uint32_t> values;
    uint32_t a = 1;
    uint32_t b = 1;
    for (int i = 0; i < count; ++i) {
        values.push_back(a);
        const uint32_t next = a + b;
        a = b;
        b = next;
    }
    return values;
}

TEST(HuffmanTree, SkewedFrequenciesStayCompleteWithinTheLimit) {
    // Fibonacci frequencies would make a tree as deep as it has codes; capped subtrees of
    // several leaves are the case where counting only leaves under-repairs.
    for (int maxLength : {kMaxBitLengthBits, kMaxBits}) {
        for (int codes = 3; codes <= kBitLengthCodes + (maxLength == kMaxBits ? 10 : 0); ++codes) {
            const Built built = BuildTree(Fibonacci(codes), maxLength);
            int longest = 0;
            for (int n = 0; n < codes; ++n) {
                EXPECT_GE(built.Tree.Len[n], 1) << codes;
                longest = std::max<int>(longest, built.Tree.Len[n]);
            }
            EXPECT_LE(longest, maxLength) << codes << " codes, limit " << maxLength;
            EXPECT_EQ(KraftSum(built.Tree, codes), uint64_t{1} << kMaxBits)
                << codes << " codes, limit " << maxLength;
        }
    }
}

TEST(HuffmanTree, OptimalBitCountMatchesTheLengthsAfterRepair) {
    const std::vector<uint32_t> frequencies = Fibonacci(19);
    const Built built = BuildTree(frequencies, kMaxBitLengthBits);
    int64_t expected = 0;
    for (size_t n = 0; n < frequencies.size(); ++n) {
        expected += int64_t{frequencies[n]} * built.Tree.Len[n];
    }
    EXPECT_EQ(built.Counts.Optimal, expected);
}

TEST(HuffmanTree, FewerThanTwoUsedCodesArePaddedToTwoOneBitCodes) {
    {
        const Built built = BuildTree({0, 0, 0, 0, 5}, kMaxBits);  // only code 4
        EXPECT_EQ(built.Tree.Len[4], 1);
        EXPECT_EQ(built.Tree.Len[0], 1);  // added as code 0 since the used code is above 1
        EXPECT_EQ(built.Tree.MaxCode, 4);
    }
    {
        const Built built = BuildTree({0, 3, 0, 0}, kMaxBits);  // only code 1
        EXPECT_EQ(built.Tree.Len[1], 1);
        EXPECT_EQ(built.Tree.Len[2], 1);  // the next code number
        EXPECT_EQ(built.Tree.MaxCode, 2);
    }
    {
        const Built built = BuildTree({0, 0, 0}, kMaxBits);  // nothing used
        EXPECT_EQ(built.Tree.Len[0], 1);
        EXPECT_EQ(built.Tree.Len[1], 1);
        EXPECT_EQ(built.Tree.MaxCode, 1);
        EXPECT_EQ(built.Counts.Optimal, 0);  // padding codes are never sent
    }
}

TEST(HuffmanTree, CanonicalCodesFollowTheFormatsExample) {
    // The example of RFC 1951 3.2.2: lengths (3, 3, 3, 3, 3, 2, 4, 4) give codes
    // 010 011 100 101 110 00 1110 1111, sent bit-reversed.
    const uint16_t lengths[] = {3, 3, 3, 3, 3, 2, 4, 4};
    uint16_t counts[kMaxBits + 1] = {0, 0, 1, 5, 2};
    uint16_t codes[8] = {};
    AssignCanonicalCodes(lengths, codes, 7, counts);
    const uint16_t expected[] = {0b010, 0b011, 0b100, 0b101, 0b110, 0b00, 0b1110, 0b1111};
    for (int n = 0; n < 8; ++n) {
        EXPECT_EQ(codes[n], ReverseBits(expected[n], lengths[n])) << n;
    }
}

}  // namespace
}  // namespace mobrel
