// Everything the compressor writes must inflate to the original, with zlib's inflate and
// with ours, at every level: over the small corpus and over inputs sized at the window's
// and the parser's boundaries.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "codecs/deflate_test_support.h"

namespace mobrel::test {
namespace {

TEST(DeflaterRoundTrip, EveryFileOfTheSmallCorpusAtEveryLevel) {
    const auto files = SmallCorpusFiles();
    ASSERT_GT(files.size(), 100u);
    TDeflater deflater;  // one object for all files, as the writer uses it
    for (const auto& file : files) {
        const Bytes input = ReadWholeFile(file);
        for (int level = 1; level <= 9; ++level) {
            const std::string what = file.string() + " level " + std::to_string(level);
            ExpectRoundTrip(input, Compress(deflater, input, level), what);
            if (HasFailure()) {
                return;
            }
        }
    }
}

// Sizes where the reading and sliding rules change: the minimum look-ahead (262), the
// first read (32 KB), the window (64 KB) and the slide threshold (65,274).
TEST(DeflaterRoundTrip, GeneratedInputsAtBoundarySizes) {
    const size_t sizes[] = {0,     1,     2,     3,     261,   262,   263,   32767,
                            32768, 32769, 65273, 65274, 65275, 65535, 65536, 65537};
    struct Kind {
        const char* Name;
        Bytes (*Make)(size_t count);
    };
    const Kind kinds[] = {
        {"random", [](size_t n) { return RandomBytes(n, 7); }},
        {"text", [](size_t n) { return WordText(n, 11); }},
        {"zeros", [](size_t n) { return Bytes(n, 0); }},
        {"repeated 0x41", [](size_t n) { return Bytes(n, 0x41); }},
    };
    TDeflater deflater;
    for (const Kind& kind : kinds) {
        for (size_t size : sizes) {
            const Bytes input = kind.Make(size);
            for (int level = 1; level <= 9; ++level) {
                ExpectRoundTrip(input, Compress(deflater, input, level),
                                std::string(kind.Name) + " size " + std::to_string(size) +
                                    " level " + std::to_string(level));
            }
        }
    }
}

// Long inputs: many window slides, blocks ended by a full tally buffer and early.
TEST(DeflaterRoundTrip, LongAndMixedInputs) {
    Bytes mixed = WordText(300000, 3);
    const Bytes noise = RandomBytes(70000, 5);
    mixed.insert(mixed.begin() + 100000, noise.begin(), noise.end());
    const Bytes runs(1 << 20, 0x7F);  // 4,064 maximal matches per block, far past 64 KB
    Bytes periodic(200000);
    for (size_t i = 0; i < periodic.size(); ++i) {
        periodic[i] = static_cast<uint8_t>((i * 7) % 251);  // long matches at one distance
    }
    TDeflater deflater;
    for (int level = 1; level <= 9; ++level) {
        const std::string suffix = " level " + std::to_string(level);
        ExpectRoundTrip(mixed, Compress(deflater, mixed, level), "text with noise" + suffix);
        ExpectRoundTrip(runs, Compress(deflater, runs, level), "1 MB run" + suffix);
        ExpectRoundTrip(periodic, Compress(deflater, periodic, level), "periodic" + suffix);
    }
}

// Skewed byte frequencies give codes longer than 15 bits before the length limit is
// applied; the repaired code must still be a valid, complete prefix code.
TEST(DeflaterRoundTrip, FibonacciFrequenciesForceTheLengthLimit) {
    Bytes input;
    uint32_t a = 1;
    uint32_t b = 1;
    for (int symbol = 0; symbol < 24; ++symbol) {
        input.insert(input.end(), a, static_cast<uint8_t>(symbol * 10));
        const uint32_t next = a + b;
        a = b;
        b = next;
    }
    // Shuffle so few matches hide the literal frequencies.
    std::mt19937 random(99);
    std::shuffle(input.begin(), input.end(), random);
    for (int level = 1; level <= 9; ++level) {
        ExpectRoundTrip(input, Compress(input, level), "fibonacci level " + std::to_string(level));
    }
}

}  // namespace
}  // namespace mobrel::test
