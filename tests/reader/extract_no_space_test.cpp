// An entry its destination has no room for. A declared size past the free space is refused
// before the entry's file is made; the run stops there with "not enough space", naming the
// file, and leaves what the destination held and what the run wrote before. A test writes
// nothing, so it neither asks for room nor is stopped by a bomb. (A disk that fills during
// the write is covered with every thread count by the parallel extraction's tests.)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/engine_errors.h"
#include "reader/bomb_archives.h"
#include "reader/un_zipper.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

constexpr int kBombMebibytes = 8;
constexpr int64_t kMebibyte = 1 << 20;

// An extractor whose destination has Free bytes, whatever the disk has.
class TCrampedUnZipper : public TUnZipper {
  public:
    int64_t Free = 0;
    std::vector<std::string> FoldersAsked;

  protected:
    int64_t FreeSpaceOn(const std::string& folder) override {
        FoldersAsked.push_back(folder);
        return Free;
    }
};

class ExtractNoSpace : public testing::Test {
  protected:
    void SetUp() override {
        test::MakeZerosBomb(archive, kBombMebibytes);
        fs::create_directories(dest);
        test::WriteFileText(dest / "old.txt", "kept\n");
    }
    // Extracts every entry with threads workers; the error the run ended with, if any.
    std::string Extract(TCrampedUnZipper& unzipper, int threads) const {
        unzipper.SetThreads(threads);
        unzipper.SetZipName(archive.string());
        unzipper.SetDestDir(dest.string());
        unzipper.SetDoAll(true);
        unzipper.SetOverwriteMode(TUZOverwriteMode::Always);
        try {
            unzipper.UnZip();
        } catch (const ECantWriteUCF& error) {
            return error.what();
        }
        return {};
    }
    std::string Text(const std::string& name) const {
        const std::vector<uint8_t> bytes = test::ReadFileBytes(dest / name);
        return {bytes.begin(), bytes.end()};
    }

    test::TempDir temp;
    fs::path archive = temp / "bomb.zip";
    fs::path dest = temp / "dest";
};

TEST_F(ExtractNoSpace, ADeclaredSizePastTheFreeSpaceStopsTheRunBeforeItsFileIsMade) {
    for (const int threads : {1, 3}) {
        SCOPED_TRACE(threads);
        fs::remove(dest / "a.txt");
        TCrampedUnZipper unzipper;
        unzipper.Free = kMebibyte;
        EXPECT_EQ(Extract(unzipper, threads),
                  "Cannot write file \"" + (dest / "bomb.bin").string() +
                      "\": not enough space (8388608 bytes needed, 1048576 available)");
        EXPECT_FALSE(fs::exists(dest / "bomb.bin"));
        // What came before is whole, what came after never started, the old file stays.
        EXPECT_EQ(Text("a.txt"), "first\n");
        EXPECT_FALSE(fs::exists(dest / "z.txt"));
        EXPECT_EQ(Text("old.txt"), "kept\n");
        EXPECT_FALSE(unzipper.FoldersAsked.empty());
        EXPECT_EQ(unzipper.FoldersAsked.front(), dest.string() + "/");
    }
}

TEST_F(ExtractNoSpace, AFileTheEntryReplacesGivesItsRoomBackAndAnExactFitIsTaken) {
    // The old file's 8 MiB come back when it is replaced: with room for the small files
    // only, the bomb still fits.
    test::WriteFileBytes(dest / "bomb.bin", std::vector<uint8_t>(kBombMebibytes * kMebibyte, 1));
    TCrampedUnZipper replacing;
    replacing.Free = 100;
    EXPECT_EQ(Extract(replacing, 1), "");
    EXPECT_EQ(fs::file_size(dest / "bomb.bin"), static_cast<uintmax_t>(kBombMebibytes * kMebibyte));

    fs::remove(dest / "bomb.bin");
    TCrampedUnZipper exact;
    exact.Free = kBombMebibytes * kMebibyte;
    EXPECT_EQ(Extract(exact, 1), "");
    EXPECT_EQ(Text("z.txt"), "last\n");
}

// One reading of a folder's free space serves the entries after it while what the run has
// declared since leaves room for them; an entry it can't hold asks again.
TEST_F(ExtractNoSpace, TheFreeSpaceIsReadAgainOnlyWhenTheLastReadingCannotHoldTheEntry) {
    TCrampedUnZipper roomy;
    roomy.Free = 100 * kMebibyte;
    EXPECT_EQ(Extract(roomy, 1), "");
    EXPECT_EQ(roomy.FoldersAsked.size(), 1u);

    // "first\n", then the bomb leaves 2 bytes of the reading: too few for "last\n".
    TCrampedUnZipper tight;
    tight.Free = kBombMebibytes * kMebibyte + 8;
    EXPECT_EQ(Extract(tight, 1), "");
    EXPECT_EQ(tight.FoldersAsked.size(), 2u);
    EXPECT_EQ(Text("z.txt"), "last\n");
}

TEST_F(ExtractNoSpace, ABombIsTestedWithoutWritingAnythingOrAskingForRoom) {
    const fs::path big = temp / "big.zip";
    test::MakeZerosBomb(big, 64);
    ASSERT_LT(fs::file_size(big), 256u << 10);
    TCrampedUnZipper unzipper;
    unzipper.SetZipName(big.string());
    unzipper.SetDoAll(true);
    EXPECT_TRUE(unzipper.TestEntries(-1));
    EXPECT_TRUE(unzipper.FoldersAsked.empty());
    std::vector<std::string> names;
    for (const auto& item : fs::recursive_directory_iterator(dest)) {
        names.push_back(item.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"old.txt"});
}

}  // namespace
}  // namespace mobrel
