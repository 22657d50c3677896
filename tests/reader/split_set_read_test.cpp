// Sets read where they lie, against what 7zz extracts from the very same files: the
// ".z01 ... .zip" sets other zip tools write, read from their last part, and archives cut
// into raw byte pieces ("name.zip.001", ...), read from their first.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cli/cli_run.h"
#include "platform/engine_errors.h"
#include "reader/un_zipper.h"
#include "writer/multi_disk_test_support.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::FileContents;
using test::TempDir;

// What the engine and mobrel-cli make of archive, each compared with 7zz.
void ExpectReadLike7zz(const fs::path& archive, const fs::path& scratch) {
    const FileContents expected = test::ContentsOf(test::ExtractWith7zz(archive));
    ASSERT_FALSE(expected.empty());
    TUnZipper reader;
    reader.SetZipName(archive.string());
    EXPECT_EQ(test::ExtractAll(reader, scratch), expected);

    const test::CliRun list = test::RunCli({"list", "-v", archive.string()});
    EXPECT_EQ(list.Status, 0) << list.Err;
    for (const auto& [name, bytes] : expected) {
        EXPECT_NE(list.Out.find(name + "\t" + std::to_string(bytes.size()) + "\t"),
                  std::string::npos)
            << name;
    }
    const test::CliRun tested = test::RunCli({"test", archive.string()});
    EXPECT_EQ(tested.Status, 0) << tested.Out << tested.Err;
    const fs::path out = scratch / "cli";
    const test::CliRun extracted = test::RunCli({"extract", archive.string(), "-d", out.string()});
    EXPECT_EQ(extracted.Status, 0) << extracted.Err;
    EXPECT_EQ(test::ReadTree(out), expected);
}

// A source tree large enough for several 64 KiB parts.
FileContents MakeLargeTree(const fs::path& folder) {
    FileContents files = test::MakeSplitTree(folder);
    files["big/random.bin"] = test::RandomBytes(200000, 78);
    files["big/text.txt"] = test::CompressibleText(90000);
    test::MakeFile(folder, "big/random.bin", files["big/random.bin"]);
    test::MakeFile(folder, "big/text.txt", files["big/text.txt"]);
    return files;
}

int CountFiles(const fs::path& first, const std::string& pattern) {
    int count = 0;
    for (const auto& item : fs::directory_iterator(first)) {
        count += item.path().filename().string().find(pattern) != std::string::npos ? 1 : 0;
    }
    return count;
}

// --- Sets named .z01 ... .zip ---

class PeerSplitSet : public testing::TestWithParam<std::string> {};

TEST_P(PeerSplitSet, ReadsFromItsLastPartInPlaceAsTheSetsNamesGive) {
    TempDir temp;
    const fs::path archive = test::TestDataDir() / (GetParam() + ".zip");
    ExpectReadLike7zz(archive, temp.Path());

    // Each disk is asked for by its own name, derived from the set's whichever is open.
    TUnZipper reader;
    std::vector<std::string> offered;
    const TGetNextDiskEvent defaultHandler = reader.OnGetNextDisk;
    reader.OnGetNextDisk = [&](TUnZipper& sender, int disk, std::string& name) {
        offered.push_back(fs::path(name).filename().string());
        defaultHandler(sender, disk, name);
    };
    reader.SetZipName(archive.string());
    reader.ReadZip();
    reader.SetDoAll(true);
    EXPECT_TRUE(reader.TestEntries(-1));
    ASSERT_FALSE(offered.empty());
    for (const std::string& name : offered) {
        EXPECT_EQ(name.rfind(GetParam() + ".z", 0), 0u) << name;
    }
    EXPECT_EQ(offered.front(), GetParam() + ".z01");
}

INSTANTIATE_TEST_SUITE_P(TestData, PeerSplitSet, testing::ValuesIn(test::PeerSplitSets()),
                         [](const auto& info) { return test::SplitSetTestName(info.param); });

// The same set with and without ZIP64 records ("-fz"): opened by its ".zip" name.
TEST(ZipSplitSet, ASetMadeByZipReadsBackAsItsSourceAndAMissingPartIsNamed) {
    ASSERT_TRUE(test::HaveTool("zip"));
    for (const std::string options : {"-s 64k", "-s 64k -fz"}) {
        SCOPED_TRACE(options);
        TempDir temp;
        const FileContents files = MakeLargeTree(temp / "src");
        const test::CommandResult made =
            test::RunCommand("cd " + test::ShellQuote((temp / "src").string()) + " && zip -q -r " +
                             options + " ../set.zip .");
        ASSERT_EQ(made.ExitCode, 0) << made.Output;
        ASSERT_GE(CountFiles(temp.Path(), "set.z"), 4);
        ExpectReadLike7zz(temp / "set.zip", temp.Path());
        TUnZipper reader;
        reader.SetZipName((temp / "set.zip").string());
        EXPECT_EQ(test::ExtractAll(reader, temp.Path()), files);

        fs::remove(temp / "set.z01");
        const test::CliRun missing = test::RunCli({"test", (temp / "set.zip").string()});
        EXPECT_NE(missing.Status, 0);
        EXPECT_NE(missing.Err.find("Cannot find disk 1 of the set: " + (temp / "set.z01").string()),
                  std::string::npos)
            << missing.Err;
    }
}

// --- Raw byte pieces ---

TEST(BytePieces, TheFirstPieceOpensTheArchiveThePiecesJoinTo) {
    TempDir temp;
    const fs::path first = test::TestDataDir() / "split-numbered-v20k--7z-gen.zip.001";
    ExpectReadLike7zz(first, temp.Path());
    TUnZipper reader;
    reader.SetZipName(first.string());
    reader.ReadZip();
    EXPECT_EQ(reader.Count(), 7);
    EXPECT_FALSE(reader.DirectoryRebuilt());
    EXPECT_EQ(reader.DiskCount(), 1);
    int64_t total = 0;
    for (int n = 1; n <= 6; ++n) {
        total += static_cast<int64_t>(fs::file_size(
            test::TestDataDir() / ("split-numbered-v20k--7z-gen.zip.00" + std::to_string(n))));
    }
    EXPECT_EQ(reader.ZipSize(), total);
}

TEST(BytePieces, PiecesMadeBy7zzReadBackAsTheirSource) {
    ASSERT_TRUE(test::HaveTool("7zz"));
    TempDir temp;
    const FileContents files = MakeLargeTree(temp / "src");
    const test::CommandResult made =
        test::RunCommand("cd " + test::ShellQuote((temp / "src").string()) +
                         " && 7zz a -bd -tzip -v64k ../pieces.zip . > /dev/null");
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
    ASSERT_GE(CountFiles(temp.Path(), "pieces.zip.0"), 3);
    ExpectReadLike7zz(temp / "pieces.zip.001", temp.Path());
    TUnZipper reader;
    reader.SetZipName((temp / "pieces.zip.001").string());
    EXPECT_EQ(test::ExtractAll(reader, temp.Path()), files);

    // A rewrite would leave a whole archive under the first piece's name with the old
    // pieces beside it: refused, every piece as it was.
    const std::vector<uint8_t> firstBefore = test::ReadFileBytes(temp / "pieces.zip.001");
    const test::CliRun run =
        test::RunCli({"delete", (temp / "pieces.zip.001").string(), "*"}, temp.Path());
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("join them first"), std::string::npos) << run.Err;
    EXPECT_EQ(test::ReadFileBytes(temp / "pieces.zip.001"), firstBefore);
}

TEST(BytePieces, AFirstPieceWithNothingBesideItIsLeftAsItWas) {
    for (const char* name : {"split-first-volume-only--commons-compress-maven.zip.001",
                             "split-numbered-v20k--7z-gen.zip.001"}) {
        SCOPED_TRACE(name);
        TempDir temp;
        fs::copy_file(test::TestDataDir() / name, temp / "alone.zip.001");
        TUnZipper reader;
        reader.SetZipName((temp / "alone.zip.001").string());
        reader.ReadZip();  // no end record, no handler: no directory
        EXPECT_EQ(reader.Count(), 0);
        reader.SetIncompleteZipMode(izAssumeBad);
        reader.ReadZip();
        EXPECT_TRUE(reader.DirectoryRebuilt());
        EXPECT_GT(reader.Count(), 0);
        EXPECT_EQ(reader.ZipSize(), static_cast<int64_t>(fs::file_size(temp / "alone.zip.001")));
    }
}

}  // namespace
}  // namespace mobrel
