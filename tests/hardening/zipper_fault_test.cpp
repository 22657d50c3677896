// Faults injected into an update of a small archive: a write that fails at every position
// the new archive is written through, a cancel at every point the operation lets the user
// interface run, and an exception from every event handler. Each leaves the old archive
// byte for byte (or, once the new one is in place, the complete new one) and no temporary
// file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "hardening/zipper_fault_sweep.h"
#include "platform/engine_errors.h"
#include "writer/zipper.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Three entries in an archive; an update replaces one, adds a file large enough for
// several refills and a small one, and keeps the rest.
class ZipperFault : public ::testing::Test {
  protected:
    void SetUp() override {
        test::MakeFile(dir.Path(), "old/a.txt", test::CompressibleText(3000));
        test::MakeFile(dir.Path(), "old/b.bin", test::RandomBytes(2000, 7));
        test::MakeFile(dir.Path(), "old/c.txt", "c");
        fs::create_directory(temp);
        archive = (dir / "archive.zip").string();
        TZipper zipper;
        zipper.SetZipName(archive);
        zipper.FilesList() = {(dir / "old/*").string()};
        ASSERT_EQ(zipper.Zip(), 3);
        before = test::ReadFileBytes(archive);
        newer = test::MakeFile(dir.Path(), "new/a.txt", "a newer a");
        test::SetFileTime(newer, 2000000000);
        big = test::MakeFile(dir.Path(), "new/big.bin", test::RandomBytes(300000, 8));
        small = test::MakeFile(dir.Path(), "new/small.bin", test::RandomBytes(3000, 9));
    }

    // The old archive exactly, or after the hand-over the complete new one; nothing else.
    void ExpectOldArchiveAndNoTemporaryFile(bool mayBeNew = false) {
        const std::vector<uint8_t> now = test::ReadFileBytes(archive);
        if (now != before) {
            EXPECT_TRUE(mayBeNew) << "the old archive changed";
            test::ExpectPeersAccept(archive);
        }
        EXPECT_EQ(test::FilesIn(temp), std::vector<std::string>{});
        std::vector<std::string> beside = test::FilesIn(dir.Path());
        std::sort(beside.begin(), beside.end());
        EXPECT_EQ(beside, (std::vector<std::string>{"archive.zip", "new", "old", "tmp"}));
    }

    TempDir dir;
    fs::path temp = dir / "tmp";
    std::string archive, newer, big, small;
    std::vector<uint8_t> before;
};

// The sweeps themselves are shared with the runs on several threads.
TEST_F(ZipperFault, AWriteFailingAtEveryPositionLeavesTheOldArchive) {
    test::ZipperFaultSweep sweep(test::FaultScene::Small, 1);
    for (const bool throws : {false, true}) {
        EXPECT_GT(sweep.SweepWriteFaults(throws), 5);
    }
}

TEST_F(ZipperFault, ACancelAtEveryTurnOfTheUserInterfaceLeavesTheOldArchive) {
    test::ZipperFaultSweep sweep(test::FaultScene::Small, 1);
    EXPECT_GT(sweep.SweepCancels(), 5);
}

TEST_F(ZipperFault, AnExceptionFromEveryHandlerLeavesTheOldArchive) {
    test::ZipperFaultSweep sweep(test::FaultScene::Small, 1);
    sweep.SweepHandlerExceptions();
}

TEST_F(ZipperFault, AnExceptionFromTheDeleteHandlerLeavesTheOldArchive) {
    TZipper zipper;
    zipper.SetZipName(archive);
    zipper.SetTempPath(temp.string());
    zipper.FilesList() = {"a.txt"};
    zipper.OnDeleteEntry = [](TZipper&, const std::string&, bool&) {
        throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(zipper.DeleteEntries(), std::runtime_error);
    ExpectOldArchiveAndNoTemporaryFile();
}

// A number as mobrel-cli list writes its totals: digits grouped by commas.
std::string GroupedThousands(uint64_t value) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped.push_back(',');
        }
        grouped.push_back(digits[i]);
    }
    return grouped;
}

TEST_F(ZipperFault, ASparseFileOfOverFourGibibytesIsZippedByMobrelCliAndListedWithItsSize) {
    const fs::path huge = dir / "new" / "huge.bin";
    test::WriteFileText(huge, "");
    const uint64_t hugeSize = (uint64_t{4} << 30) + (uint64_t{1} << 20);
    fs::resize_file(huge, hugeSize);  // sparse: no disk space taken
    const std::string cli =
        "TMPDIR=" + test::ShellQuote(temp.string()) + " " + test::ShellQuote(MOBREL_CLI_PATH);
    const test::CommandResult result =
        test::RunCommand(cli + " add -1 " + test::ShellQuote(archive) + " " +
                         test::ShellQuote(small) + " " + test::ShellQuote(huge.string()));
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    fs::remove(huge);
    // The zeros deflate to a few megabytes; the archive is new, complete and the peers' too.
    EXPECT_LT(fs::file_size(archive), uint64_t{64} << 20);
    ExpectOldArchiveAndNoTemporaryFile(true);

    const test::CommandResult listed =
        test::RunCommand(cli + " list -v " + test::ShellQuote(archive));
    EXPECT_NE(listed.Output.find("huge.bin\t" + std::to_string(hugeSize) + "\t"), std::string::npos)
        << listed.Output;
    // The total of every entry's size passes 4 GiB as well.
    uint64_t total = hugeSize;
    for (const char* name : {"old/a.txt", "old/b.bin", "old/c.txt"}) {
        total += fs::file_size(dir / name);
    }
    total += fs::file_size(small);
    const test::CommandResult columns =
        test::RunCommand(cli + " list " + test::ShellQuote(archive));
    EXPECT_NE(columns.Output.find("Unzipped: " + GroupedThousands(total) + "\n"), std::string::npos)
        << columns.Output;
}

}  // namespace
}  // namespace mobrel
