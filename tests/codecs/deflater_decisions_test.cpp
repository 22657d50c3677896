// The compressor's decisions are part of what it promises: the same input at the same
// level gives the same stream, however the input is read and whatever was compressed
// before. Golden digests catch an unintended change of a decision; a peer that parses,
// matches and chooses blocks by the same rules is the oracle for the decisions themselves.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "codecs/crc32.h"
#include "codecs/deflate_test_support.h"
#include "format/raw_zip_entries.h"
#include "test_support.h"

namespace mobrel::test {
namespace {

TEST(DeflaterDecisions, SameInputGivesSameStreamWhateverCameBeforeAndHoweverItIsRead) {
    const Bytes input = WordText(150000, 21);
    const Bytes other = RandomBytes(70000, 22);
    for (int level : {1, 4, 6, 9}) {
        const Bytes fresh = Compress(input, level).Stream;
        TDeflater reused;
        Compress(reused, other, 9);  // leaves its own bytes in the window and chains
        EXPECT_TRUE(Compress(reused, input, level).Stream == fresh) << level;
        for (size_t piece : {size_t{1}, size_t{7}, size_t{1000}, size_t{40000}}) {
            EXPECT_TRUE(Compress(reused, input, level, piece).Stream == fresh)
                << "level " << level << ", reads of " << piece;
        }
    }
}

TEST(DeflaterDecisions, GoldenDigestsOfCorpusFiles) {
    struct Golden {
        const char* File;
        int Level;
        uint64_t Size;
        uint32_t Crc;
    };
    // Recorded from this compressor after its streams were found identical to the peer's
    // (see the next test).
    const Golden goldens[] = {
#include "codecs/deflater_golden_digests.inc"
    };
    for (const Golden& golden : goldens) {
        const Bytes input = ReadWholeFile(CorpusDir() / "small" / golden.File);
        ASSERT_FALSE(input.empty()) << golden.File;
        const Compressed compressed = Compress(input, golden.Level);
        EXPECT_EQ(compressed.Stream.size(), golden.Size) << golden.File << " " << golden.Level;
        EXPECT_EQ(Crc32Of(compressed.Stream.data(), compressed.Stream.size()), golden.Crc)
            << golden.File << " level " << golden.Level;
    }
}

// The peer zip tool deflates by the same matching, parsing and block rules, with one
// difference: it stops a search once a match covers all the remaining input, where we go
// on looking at the bytes past the end. Appending the same incompressible tail to every
// file keeps matches away from the end, so the streams must agree byte for byte.
TEST(DeflaterDecisions, StreamsEqualThePeersAtEveryLevel) {
    ASSERT_TRUE(HaveTool("zip"));
    TempDir temp;
    const Bytes tail = RandomBytes(300, 1234);
    std::map<std::string, Bytes> inputs;
    int index = 0;
    for (const auto& file : SmallCorpusFiles()) {
        if (index++ % 4 != 0) {
            continue;  // a quarter of the corpus keeps the test quick
        }
        Bytes bytes = ReadWholeFile(file);
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        const std::string name = "f" + std::to_string(index) + ".bin";
        WriteFileBytes(temp / name, bytes);
        inputs[name] = std::move(bytes);
    }
    TDeflater deflater;
    for (int level = 1; level <= 9; ++level) {
        const auto archive = temp / ("level" + std::to_string(level) + ".zip");
        const CommandResult run =
            RunCommand("cd " + ShellQuote(temp.Path().string()) + " && zip -q -X -" +
                       std::to_string(level) + " " + ShellQuote(archive.string()) + " f*.bin");
        ASSERT_EQ(run.ExitCode, 0) << run.Output;
        const RawZipArchive zip = ReadRawZip(archive);
        ASSERT_EQ(zip.Entries.size(), inputs.size());
        for (const RawZipEntry& entry : zip.Entries) {
            const Bytes& input = inputs.at(entry.Name);
            const Compressed ours = Compress(deflater, input, level);
            const auto theirs = zip.Data(entry);
            if (entry.Method == cmStored) {
                // The peer stores what did not shrink; we either store it too or wrote
                // stored blocks that are no shorter.
                EXPECT_GE(ours.Stream.size(), input.size()) << entry.Name << " level " << level;
                continue;
            }
            EXPECT_EQ(ours.Result.CompressionMethod, cmDeflated) << entry.Name;
            EXPECT_TRUE(
                std::equal(ours.Stream.begin(), ours.Stream.end(), theirs.begin(), theirs.end()))
                << entry.Name << " level " << level << ": " << ours.Stream.size() << " against "
                << theirs.size() << " bytes";
        }
    }
}

}  // namespace
}  // namespace mobrel::test
