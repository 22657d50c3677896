// mobrel-cli sfx, run as a program: the program it makes runs headless with --auto and
// extracts the very files, the peers accept it, an existing .zip keeps its bytes, and a
// failure writes nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_run.h"
#include "sfx/sfx_test_support.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

class CliSfx : public ::testing::Test {
  protected:
    void SetUp() override { names_ = test::MakeSourceTree(scratch_ / "source"); }

    test::TempDir scratch_;
    std::vector<std::string> names_;
};

TEST_F(CliSfx, AnAutomaticProgramExtractsTheFilesIntoItsDefaultFolder) {
    const test::CliRun made = test::RunCli({"sfx", "setup", "-r", "-9", "--auto", "--default-path",
                                            "unpacked", "-R", "source", "source"},
                                           scratch_.Path());
    ASSERT_EQ(made.Status, 0) << made.Err;
    // Three files and the folder that holds one of them.
    EXPECT_NE(made.Out.find("4 files zipped into setup"), std::string::npos) << made.Out;
    const fs::path program = scratch_ / "setup";
    EXPECT_NE(fs::status(program).permissions() & fs::perms::owner_exec, fs::perms::none);
    test::ExpectPeersAccept(program);

    const fs::path runDir = scratch_ / "elsewhere";
    fs::create_directories(runDir);
    const test::CommandResult ran = test::RunHeadless(program, "", runDir);
    EXPECT_EQ(ran.ExitCode, 0) << ran.Output;
    EXPECT_TRUE(test::SameFiles(scratch_ / "source", runDir / "unpacked", names_));
}

TEST_F(CliSfx, AnExistingZipStaysAsItWasAndTheProgramBesideItHoldsEverything) {
    ASSERT_EQ(test::RunCli({"add", "site.zip", "source/readme.txt"}, scratch_.Path()).Status, 0);
    const auto before = test::ReadFileBytes(scratch_ / "site.zip");
    const test::CliRun made =
        test::RunCli({"sfx", "site.zip", "source/noise.bin"}, scratch_.Path());
    ASSERT_EQ(made.Status, 0) << made.Err;
    EXPECT_NE(made.Out.find("site.exe"), std::string::npos) << made.Out;
    EXPECT_EQ(test::ReadFileBytes(scratch_ / "site.zip"), before);
    std::vector<std::string> names = test::PythonNames(scratch_ / "site.exe");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, std::vector<std::string>({"source/noise.bin", "source/readme.txt"}));
    // Made without --auto: with -y it extracts, without a terminal it refuses.
    EXPECT_EQ(test::RunHeadless(scratch_ / "site.exe", "-d out", scratch_.Path()).ExitCode, 2);
    const test::CommandResult ran =
        test::RunHeadless(scratch_ / "site.exe", "-y -d out", scratch_.Path());
    EXPECT_EQ(ran.ExitCode, 0) << ran.Output;
    EXPECT_TRUE(test::SameFiles(scratch_ / "source", scratch_ / "out" / "source",
                                {"readme.txt", "noise.bin"}));
}

TEST_F(CliSfx, UsageMistakesAndFailuresLeaveNothingBehind) {
    EXPECT_EQ(test::RunCli({"sfx"}, scratch_.Path()).Status, 2);
    EXPECT_EQ(test::RunCli({"sfx", "only-a-name"}, scratch_.Path()).Status, 2);
    EXPECT_EQ(test::RunCli({"sfx", "p", "-u", "-f", "source"}, scratch_.Path()).Status, 2);
    EXPECT_EQ(test::RunCli({"sfx", "p", "--default-path"}, scratch_.Path()).Status, 2);
    const test::CliRun help = test::RunCli({"sfx", "--help"}, scratch_.Path());
    EXPECT_EQ(help.Status, 0);
    EXPECT_NE(help.Out.find("--default-path"), std::string::npos);
    // A file that is no archive is not overwritten by a program.
    test::WriteFileText(scratch_ / "notes.exe", "not an archive");
    const test::CliRun refused = test::RunCli({"sfx", "notes.exe", "source"}, scratch_.Path());
    EXPECT_EQ(refused.Status, 2);
    EXPECT_FALSE(refused.Err.empty());
    EXPECT_EQ(test::ReadFileBytes(scratch_ / "notes.exe").size(), 14u);
    EXPECT_FALSE(fs::exists(scratch_ / "p"));
}

}  // namespace
}  // namespace mobrel
