// 70,000 entries, more than the classic end record can count: the ZIP64 end record and its
// locator join the end record, in one archive, a block set, a repaired copy and a
// self-extracting program alike, and go again once deletions bring the count back under
// the limit. Folder entries need no files on disk, so the archives stay small.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>

#include "cli/cli_run.h"
#include "sfx/sfx_test_support.h"
#include "test_support.h"
#include "writer/multi_disk_test_support.h"
#include "writer/multi_disk_writer.h"
#include "writer/sfx_config.h"
#include "writer/zip64_test_support.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr int kKept = 60000;
constexpr int kDropped = 10000;
constexpr int kEntries = kKept + kDropped;

class Zip64ManyEntries : public testing::Test {
  protected:
    Zip64ManyEntries() : started(std::chrono::steady_clock::now()) {}
    ~Zip64ManyEntries() override {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::steady_clock::now() - started);
        std::cout << "took " << seconds.count() << " s\n";
    }

    // Fills FilesList with the kept entries "k00000/".. and the dropped ones "d00000/"..,
    // named relative to the scratch folder, and any further files in it.
    void ListEntries(TZipper& zipper, const std::vector<std::string>& files = {}) const {
        zipper.SetRootDir(temp.Path().string());
        zipper.SetRelativePaths(true);
        const std::string folder = temp.Path().string() + "/";
        zipper.FilesList() = test::FolderEntryNames(folder + "k", 0, kKept);
        const std::vector<std::string> dropped = test::FolderEntryNames(folder + "d", 0, kDropped);
        zipper.FilesList().insert(zipper.FilesList().end(), dropped.begin(), dropped.end());
        for (const std::string& file : files) {
            zipper.FilesList().push_back(folder + file);
        }
    }
    // The number of entries Python's zipfile finds.
    static size_t PythonCount(const fs::path& archive) {
        return test::PythonRecords(archive).size();
    }
    // Our reader's count, and its test of every entry.
    static void ExpectOurReaderCounts(const std::string& archive, int count) {
        TUnZipper reader;
        reader.SetZipName(archive);
        reader.ReadZip();
        EXPECT_EQ(reader.Count(), count);
        const test::CliRun tested = test::RunCli({"test", archive});
        EXPECT_EQ(tested.Status, 0) << tested.Err;
    }

    std::chrono::steady_clock::time_point started;
    TempDir temp;
};

TEST_F(Zip64ManyEntries, SeventyThousandGetTheZip64EndRecordWhichGoesWhenDeletionsBringThemUnder) {
    const std::string archive = (temp / "many.zip").string();
    TZipper zipper;
    zipper.SetZipName(archive);
    ListEntries(zipper);
    ASSERT_EQ(zipper.Zip(), kEntries);
    EXPECT_TRUE(test::HasZip64EndRecords(archive));
    EXPECT_EQ(PythonCount(archive), static_cast<size_t>(kEntries));
    test::ExpectEveryPeerPasses(archive);
    ExpectOurReaderCounts(archive, kEntries);

    zipper.FilesList() = {"d*/"};
    ASSERT_EQ(zipper.DeleteEntries(), kDropped);
    EXPECT_FALSE(test::HasZip64EndRecords(archive));
    EXPECT_EQ(PythonCount(archive), static_cast<size_t>(kKept));
    test::ExpectEveryPeerPasses(archive);
    ExpectOurReaderCounts(archive, kKept);
}

// 65,535 fills the classic count field with its own sentinel. The peers read that count
// either way, from the classic record alone (as Python's zipfile writes it) or from the
// ZIP64 end record; ours writes the ZIP64 record, which leaves no doubt, and reads both.
TEST_F(Zip64ManyEntries, ExactlyTheClassicLimitGetsTheZip64EndRecordAndIsReadWithoutIt) {
    constexpr int kLimit = 65535;
    const std::string archive = (temp / "limit.zip").string();
    TZipper zipper;
    zipper.SetZipName(archive);
    zipper.SetRootDir(temp.Path().string());
    zipper.SetRelativePaths(true);
    zipper.FilesList() = test::FolderEntryNames(temp.Path().string() + "/f", 0, kLimit);
    ASSERT_EQ(zipper.Zip(), kLimit);
    EXPECT_TRUE(test::HasZip64EndRecords(archive));
    test::ExpectEveryPeerPasses(archive);
    ExpectOurReaderCounts(archive, kLimit);

    const fs::path classic = temp / "classic.zip";
    const test::CommandResult made = test::RunCommand(
        "python3 -c 'import sys, zipfile\n"
        "with zipfile.ZipFile(sys.argv[1], \"w\") as z:\n"
        "    [z.writestr(\"d%05d/\" % i, b\"\") for i in range(65535)]' " +
        test::ShellQuote(classic.string()) + " 2>&1");
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
    ASSERT_FALSE(test::HasZip64EndRecords(classic));
    ExpectOurReaderCounts(classic.string(), kLimit);
}

TEST_F(Zip64ManyEntries, ABlockSetOfSeventyThousandIsReadByOurReaderAnd7zzAndJoinedByZip) {
    ASSERT_TRUE(test::HaveTool("zip") && test::HaveTool("7zz"));
    const fs::path out = temp / "out";
    fs::create_directories(out);
    const std::string archive = (out / "set.zip").string();
    TZipper zipper;
    zipper.SetMultiZipInfo(test::BlockSetInfo(300000, 1000000));
    zipper.SetZipName(archive);
    ListEntries(zipper);
    ASSERT_EQ(zipper.Zip(), kEntries);
    int blocks = 0;
    while (fs::exists(TMultiDiskWriter::BlockFileName(archive, blocks + 1))) {
        ++blocks;
    }
    ASSERT_GE(blocks, 5);
    const std::string last = TMultiDiskWriter::BlockFileName(archive, blocks);
    EXPECT_TRUE(test::HasZip64EndRecords(last));
    ExpectOurReaderCounts(last, kEntries);

    // Renamed to the peer's split scheme, 7zz reads the set and zip joins it into one archive.
    const fs::path split = temp / "split";
    fs::create_directories(split);
    for (int n = 1; n < blocks; ++n) {
        char part[32];
        std::snprintf(part, sizeof part, "split.z%02d", n);
        fs::copy_file(TMultiDiskWriter::BlockFileName(archive, n), split / part);
    }
    fs::copy_file(last, split / "split.zip");
    const test::CommandResult seven =
        test::RunCommand("7zz t " + test::ShellQuote((split / "split.zip").string()));
    EXPECT_EQ(seven.ExitCode, 0) << seven.Output;
    const test::CommandResult joined = test::RunCommand("cd " + test::ShellQuote(split.string()) +
                                                        " && zip -s 0 split.zip --out joined.zip");
    ASSERT_EQ(joined.ExitCode, 0) << joined.Output;
    EXPECT_EQ(PythonCount(split / "joined.zip"), static_cast<size_t>(kEntries));
    test::ExpectEveryPeerPasses(split / "joined.zip");
}

TEST_F(Zip64ManyEntries, SeventyThousandWithTheDirectoryCutOffAreRepairedIntoAZip64Archive) {
    const fs::path archive = temp / "many.zip";
    TZipper zipper;
    zipper.SetZipName(archive.string());
    ListEntries(zipper);
    ASSERT_EQ(zipper.Zip(), kEntries);
    const std::vector<test::PeerRecord> records = test::PythonRecords(archive);
    ASSERT_EQ(records.size(), static_cast<size_t>(kEntries));
    // The last entry's local header is its name and timestamp field after the fixed part.
    const test::PeerRecord& lastEntry = records.back();
    fs::resize_file(
        archive, lastEntry.HeaderOffset + 30 + lastEntry.Name.size() + lastEntry.LocalExtra.size());

    const fs::path fixed = temp / "fixed.zip";
    const test::CliRun fix = test::RunCli({"fix", archive.string(), fixed.string()});
    EXPECT_EQ(fix.Status, 0) << fix.Out << fix.Err;
    EXPECT_TRUE(test::HasZip64EndRecords(fixed));
    EXPECT_EQ(PythonCount(fixed), static_cast<size_t>(kEntries));
    test::ExpectEveryPeerPasses(fixed);
}

TEST_F(Zip64ManyEntries, ASelfExtractorOfSeventyThousandListsThemAllAndExtractsAFileAtEachEnd) {
    // Two files, one at each end of the directory, show the stub finds the whole of it.
    test::MakeFile(temp.Path(), "first.txt", "the first file\n");
    test::MakeFile(temp.Path(), "sub/last.txt", "the last file\n");
    const fs::path program = temp / "many.exe";
    TZipper zipper;
    ListEntries(zipper, {"first.txt"});
    zipper.FilesList().insert(zipper.FilesList().begin(), (temp / "sub/last.txt").string());
    // A program that lets the user choose: 70,000 folders take minutes to remove again on
    // some file systems, so only the files are extracted.
    TSFXConfig config;
    config.UserCanChooseFiles = true;
    config.BuildConfigBlock();
    const std::vector<uint8_t>& block = config.ConfigBlock();
    ASSERT_EQ(zipper.MakeSFX(test::StubPath().string(), program.string(), block.data(),
                             static_cast<int>(block.size())),
              kEntries + 2);
    EXPECT_TRUE(test::HasZip64EndRecords(program));
    const test::CommandResult unzip =
        test::RunCommand("unzip -tqq " + test::ShellQuote(program.string()));
    EXPECT_EQ(unzip.ExitCode, 0) << unzip.Output;

    const test::CommandResult listed = test::RunHeadless(program, "-l", temp.Path());
    EXPECT_EQ(listed.ExitCode, 0) << listed.Output.substr(0, 2000);
    // One line per entry, its size and name apart by a tab.
    EXPECT_EQ(std::count(listed.Output.begin(), listed.Output.end(), '\t'), kEntries + 2);
    const test::CommandResult ran = test::RunHeadless(program, "-y -d out '*.txt'", temp.Path());
    EXPECT_EQ(ran.ExitCode, 0) << ran.Output.substr(0, 2000);
    EXPECT_EQ(test::TreeFiles(temp / "out"),
              (std::vector<std::string>{"first.txt", "sub/last.txt"}));
}

}  // namespace
}  // namespace mobrel
