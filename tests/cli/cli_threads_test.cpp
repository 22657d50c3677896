// -T on add, extract and test: the same archive, the same extracted files and the same
// report whatever the thread count, and a count that isn't one refused as a usage error.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "cli_run.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::RunCli;

std::map<std::string, std::vector<uint8_t>> TreeContents(const fs::path& root) {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        if (item.is_regular_file()) {
            files[fs::relative(item.path(), root).string()] = test::ReadFileBytes(item.path());
        }
    }
    return files;
}

TEST(ParallelCli, AddExtractAndTestGiveTheSameResultsWhateverTheThreadCount) {
    test::TempDir dir;
    const fs::path source = test::CorpusDir() / "small";
    std::vector<uint8_t> firstArchive;
    std::map<std::string, std::vector<uint8_t>> firstTree;
    for (const std::string threads : {"1", "2", "0"}) {
        SCOPED_TRACE("-T " + threads);
        const fs::path archive = dir / ("t" + threads + ".zip");
        const CliRun add = RunCli(
            {"add", archive.string(), "-r", "-T", threads, "-R", source.string(), source.string()});
        ASSERT_EQ(add.Status, 0) << add.Err;
        const std::vector<uint8_t> bytes = test::ReadFileBytes(archive);
        const fs::path out = dir / ("out" + threads);
        const CliRun extract =
            RunCli({"extract", archive.string(), "-d", out.string(), "-T", threads});
        ASSERT_EQ(extract.Status, 0) << extract.Err;
        const CliRun tested = RunCli({"test", archive.string(), "-T", threads});
        EXPECT_EQ(tested.Status, 0) << tested.Err;
        EXPECT_NE(tested.Out.find("524 files OK"), std::string::npos) << tested.Out;
        if (firstArchive.empty()) {
            firstArchive = bytes;
            firstTree = TreeContents(out);
            EXPECT_EQ(firstTree.size(), 524u);
        } else {
            EXPECT_TRUE(bytes == firstArchive) << "the archive differs";
            EXPECT_TRUE(TreeContents(out) == firstTree) << "the extracted files differ";
        }
    }
}

TEST(ParallelCli, ThreadCountsThatArentCountsAreUsageErrors) {
    test::TempDir dir;
    test::WriteFileText(dir / "a.txt", "a");
    for (const std::string bad : {"-1", "two", "", "3x", "100000"}) {
        const CliRun run =
            RunCli({"add", (dir / "a.zip").string(), "-T", bad, "a.txt"}, dir.Path());
        EXPECT_EQ(run.Status, 2) << bad;
        EXPECT_NE(run.Err.find("-T takes a number of threads"), std::string::npos) << run.Err;
    }
    EXPECT_FALSE(fs::exists(dir / "a.zip"));
}

}  // namespace
}  // namespace mobrel
