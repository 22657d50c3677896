// Block sets against the peer's split archives: ours, renamed to the peer's split scheme or
// written in it, joined by `zip -s 0` into an archive unzip and python accept and read by
// 7zz; the peer's, renamed to our numbered scheme, listed and extracted by our reader; sets
// made by mobrel-cli add, and repaired by mobrel-cli fix.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_run.h"
#include "platform/host_path.h"
#include "writer/multi_disk_test_support.h"
#include "writer/multi_disk_writer.h"
#include "writer/zipper.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::FileContents;
using test::TempDir;

std::string SplitPart(const fs::path& folder, int number) {
    return ZipPieceName((folder / "split.zip").string(), number);
}

// Joins folder's "split.zip" set with zip into "joined.zip", which unzip must pass.
void ExpectJoinedByZipForUnzip(const fs::path& folder) {
    const test::CommandResult joined = test::RunCommand("cd " + test::ShellQuote(folder.string()) +
                                                        " && zip -s 0 split.zip --out joined.zip");
    ASSERT_EQ(joined.ExitCode, 0) << joined.Output;
    const test::CommandResult tested =
        test::RunCommand("unzip -t " + test::ShellQuote((folder / "joined.zip").string()));
    EXPECT_EQ(tested.ExitCode, 0) << tested.Output;
}

int Blocks(const std::string& archive) {
    int count = 0;
    while (fs::exists(TMultiDiskWriter::BlockFileName(archive, count + 1))) {
        ++count;
    }
    return count;
}

TEST(MultiDiskPeers, OurBlocksRenamedToTheSplitSchemeAreJoinedByZip) {
    ASSERT_TRUE(test::HaveTool("zip"));
    TempDir temp;
    const FileContents files = test::MakeSplitTree(temp / "src");
    const std::string archive = (temp / "set.zip").string();
    TZipper zipper;
    zipper.SetMultiZipInfo(test::BlockSetInfo(1000, 5000));
    zipper.SetZipName(archive);
    zipper.SetRootDir((temp / "src").string());
    zipper.SetRelativePaths(true);
    zipper.FilesList() = {"*"};
    ASSERT_EQ(zipper.Zip(), 7);

    const int blocks = Blocks(archive);
    ASSERT_GE(blocks, 3);
    const fs::path split = temp / "split";
    fs::create_directories(split);
    for (int n = 1; n < blocks; ++n) {
        fs::copy_file(TMultiDiskWriter::BlockFileName(archive, n), SplitPart(split, n));
    }
    fs::copy_file(TMultiDiskWriter::BlockFileName(archive, blocks), split / "split.zip");
    ExpectJoinedByZipForUnzip(split);
    EXPECT_EQ(test::ContentsOf(test::ExtractWithUnzip(split / "joined.zip")), files);
}

TEST(MultiDiskPeers, AZipNamedSetIsReadBy7zzAndJoinedByZipForUnzipAndPython) {
    ASSERT_TRUE(test::HaveTool("zip") && test::HaveTool("python3"));
    TempDir temp;
    const FileContents files = test::MakeSplitTree(temp / "src");
    const fs::path split = temp / "split";
    fs::create_directories(split);
    TZipper zipper;
    zipper.SetMultiZipInfo(test::BlockSetInfo(1000, 5000, snZip));
    zipper.SetZipName((split / "split.zip").string());
    zipper.SetRootDir((temp / "src").string());
    zipper.SetRelativePaths(true);
    zipper.FilesList() = {"*"};
    ASSERT_EQ(zipper.Zip(), 7);
    ASSERT_TRUE(fs::exists(SplitPart(split, 3)));

    EXPECT_EQ(test::ContentsOf(test::ExtractWith7zz(split / "split.zip")), files);
    ExpectJoinedByZipForUnzip(split);
    EXPECT_EQ(test::ContentsOf(test::ExtractWithPython(split / "joined.zip")), files);
}

TEST(MultiDiskPeers, ASplitSetOfZipRenamedToNumberedBlocksIsReadByOurReader) {
    ASSERT_TRUE(test::HaveTool("zip"));
    TempDir temp;
    FileContents files = test::MakeSplitTree(temp / "src");
    // Over 64 KiB, the smallest split the peer makes, several times.
    files["big/random.bin"] = test::RandomBytes(300000, 56);
    files["big/text.txt"] = test::CompressibleText(120000);
    test::MakeFile(temp / "src", "big/random.bin", files["big/random.bin"]);
    test::MakeFile(temp / "src", "big/text.txt", files["big/text.txt"]);
    const test::CommandResult made = test::RunCommand(
        "cd " + test::ShellQuote((temp / "src").string()) + " && zip -q -r -s 64k ../split.zip .");
    ASSERT_EQ(made.ExitCode, 0) << made.Output;

    int parts = 0;
    while (fs::exists(SplitPart(temp.Path(), parts + 1))) {
        ++parts;
    }
    ASSERT_GE(parts, 3);
    const std::string ours = (temp / "ours" / "set.zip").string();
    fs::create_directories(temp / "ours");
    for (int n = 1; n <= parts; ++n) {
        fs::rename(SplitPart(temp.Path(), n), TMultiDiskWriter::BlockFileName(ours, n));
    }
    const std::string last = TMultiDiskWriter::BlockFileName(ours, parts + 1);
    fs::rename(temp / "split.zip", last);

    TUnZipper reader;
    reader.SetZipName(last);
    reader.ReadZip();
    EXPECT_EQ(reader.DiskCount(), parts + 1);
    EXPECT_EQ(test::ExtractAll(reader, temp.Path()), files);
}

TEST(MultiDiskPeers, CliAddWritesBlocksAndRefusesWhatItCannotDo) {
    TempDir temp;
    const FileContents files = test::MakeSplitTree(temp / "src");
    const std::string archive = (temp / "set.zip").string();
    const test::CliRun run = test::RunCli(
        {"add", archive, "-r", "--block-size", "5000", "--first-block-size", "1000", "*"},
        temp / "src");
    ASSERT_EQ(run.Status, 0) << run.Err;
    const int blocks = Blocks(archive);
    ASSERT_GE(blocks, 3);
    const std::string last = TMultiDiskWriter::BlockFileName(archive, blocks);
    EXPECT_EQ(run.Out, "10 files zipped into " + last + "\n");  // three of them folders
    EXPECT_LE(fs::file_size(TMultiDiskWriter::BlockFileName(archive, 1)), 1000u);
    EXPECT_EQ(test::RunCli({"list", last}).Status, 0);
    TUnZipper reader;
    reader.SetZipName(last);
    EXPECT_EQ(test::ExtractAll(reader, temp.Path()), files);

    // Only with --block-size; never over an existing archive; never too small.
    const std::string other = (temp / "other.zip").string();
    EXPECT_EQ(test::RunCli({"add", other, "--first-block-size", "1000", "*"}, temp / "src").Status,
              2);
    test::WriteFileText(other, "old");
    const test::CliRun existing =
        test::RunCli({"add", other, "--block-size", "5000", "*"}, temp / "src");
    EXPECT_EQ(existing.Status, 2);
    EXPECT_NE(existing.Err.find("exists"), std::string::npos) << existing.Err;
    EXPECT_EQ(test::ReadFileBytes(other), (std::vector<uint8_t>{'o', 'l', 'd'}));
    const test::CliRun tiny = test::RunCli(
        {"add", (temp / "tiny.zip").string(), "--block-size", "40", "*"}, temp / "src");
    EXPECT_EQ(tiny.Status, 2);
    EXPECT_NE(tiny.Err.find("too small"), std::string::npos) << tiny.Err;
    EXPECT_EQ(test::RunCli({"add", other, "--block-size", "12k", "*"}, temp / "src").Status, 2);
}

TEST(MultiDiskPeers, CliAddNamesBlocksAsAskedAndFixReadsEitherNaming) {
    ASSERT_TRUE(test::HaveTool("unzip"));
    TempDir temp;
    const FileContents files = test::MakeSplitTree(temp / "src");
    const std::string zipNamed = (temp / "zipnamed.zip").string();
    const std::string numbered = (temp / "numbered.zip").string();
    const std::vector<std::string> blocks = {"-r",   "--block-size", "5000", "--first-block-size",
                                             "1000", "--split-names"};
    auto add = [&](const std::string& archive, const std::string& naming) {
        std::vector<std::string> args = {"add", archive};
        args.insert(args.end(), blocks.begin(), blocks.end());
        args.push_back(naming);
        args.push_back("*");
        return test::RunCli(args, temp / "src");
    };
    const test::CliRun zipRun = add(zipNamed, "zip");
    ASSERT_EQ(zipRun.Status, 0) << zipRun.Err;
    EXPECT_EQ(zipRun.Out, "10 files zipped into " + zipNamed + "\n");
    EXPECT_TRUE(fs::exists(ChangeFileExt(zipNamed, ".z01")));
    EXPECT_EQ(Blocks(zipNamed), 0);
    EXPECT_EQ(test::RunCli({"test", zipNamed}).Status, 0);
    const fs::path out = temp / "out";
    ASSERT_EQ(test::RunCli({"extract", zipNamed, "-d", out.string()}).Status, 0);
    EXPECT_EQ(test::ReadTree(out), files);

    const test::CliRun numberedRun = add(numbered, "numbered");
    ASSERT_EQ(numberedRun.Status, 0) << numberedRun.Err;
    const std::string last = TMultiDiskWriter::BlockFileName(numbered, Blocks(numbered));
    EXPECT_EQ(numberedRun.Out, "10 files zipped into " + last + "\n");

    // The repair reads the set across its files, whichever naming, into one archive.
    for (const std::string& set : {zipNamed, last}) {
        SCOPED_TRACE(set);
        const std::string fixed = set + "-fixed.zip";
        const test::CliRun fix = test::RunCli({"fix", set, fixed});
        EXPECT_EQ(fix.Status, 0) << fix.Out << fix.Err;
        const test::CommandResult tested = test::RunCommand("unzip -t " + test::ShellQuote(fixed));
        EXPECT_EQ(tested.ExitCode, 0) << tested.Output;
        EXPECT_EQ(test::ContentsOf(test::ExtractWithUnzip(fixed)), files);
    }

    for (const std::vector<std::string>& refused : std::vector<std::vector<std::string>>{
             {"add", (temp / "a.zip").string(), "--block-size", "5000", "--split-names", "z01",
              "*"},
             {"add", (temp / "b.zip").string(), "--split-names", "zip", "*"}}) {
        const test::CliRun run = test::RunCli(refused, temp / "src");
        EXPECT_EQ(run.Status, 2);
        EXPECT_NE(run.Err.find("--split-names"), std::string::npos) << run.Err;
    }
}

}  // namespace
}  // namespace mobrel
