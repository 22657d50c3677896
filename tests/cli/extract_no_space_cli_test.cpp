// A bomb through mobrel-cli: extraction into a destination without room for it fails with
// a non-zero status and "not enough space" naming the file, leaves no part of that file and
// keeps the destination's old files; the test command reads the same bomb to the end.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_run.h"
#include "reader/bomb_archives.h"
#include "reader/file_size_limit.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

class CliNoSpace : public testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(dest);
        test::WriteFileText(dest / "old.txt", "kept\n");
    }
    void ExpectFailedOn(const test::CliRun& run, const std::string& after) const {
        EXPECT_NE(run.Status, 0);
        const std::string said =
            "Cannot write file \"" + (dest / "bomb.bin").string() + "\": not enough space" + after;
        EXPECT_NE(run.Err.find(said), std::string::npos) << run.Err;
        EXPECT_FALSE(fs::exists(dest / "bomb.bin"));
        const std::vector<uint8_t> old = test::ReadFileBytes(dest / "old.txt");
        EXPECT_EQ(std::string(old.begin(), old.end()), "kept\n");
    }

    test::TempDir temp;
    fs::path dest = temp / "dest";
};

// A header that declares a tebibyte, more than the disk has: refused before the file is made.
TEST_F(CliNoSpace, ADeclaredSizeNoDiskHoldsIsRefusedBeforeTheFileIsMade) {
    const fs::path archive = temp / "declared.zip";
    test::MakeDeclaredBomb(archive, uint64_t{1} << 40);
    const test::CliRun run = test::RunCli({"extract", archive.string(), "-d", dest.string()});
    ExpectFailedOn(run, " (1099511627776 bytes needed, ");
}

// The disk fills while the entry is written (a file size limit cuts the write short as a
// full disk does): the file cut short is removed.
TEST_F(CliNoSpace, ADiskThatFillsDuringTheWriteLeavesNoPartOfTheFile) {
    const fs::path archive = temp / "bomb.zip";
    test::MakeZerosBomb(archive, 16);
    test::CliRun run;
    {
        test::FileSizeLimit limit(4 << 20);
        run = test::RunCli({"extract", archive.string(), "-d", dest.string()});
    }
    ExpectFailedOn(run, "\n");
    EXPECT_TRUE(fs::exists(dest / "a.txt"));

    const test::CliRun tested = test::RunCli({"test", archive.string()});
    EXPECT_EQ(tested.Status, 0) << tested.Err;
}

}  // namespace
}  // namespace mobrel
