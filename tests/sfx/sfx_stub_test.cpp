// The stub as a program: a copy of it with a block and an archive behind it (assembled
// here with the peer zip, so the stub meets offsets it did not write) obeys the block
// and never waits for an answer that can't come.
#include <gtest/gtest.h>

#include "sfx/sfx_test_support.h"
#include "writer/sfx_config.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::RunHeadless;

class SfxStubTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(test::StubPath())) << test::StubPath();
        names_ = test::MakeSourceTree(Source());
    }

    fs::path Source() const { return scratch_ / "source"; }
    fs::path Program() const { return scratch_ / "setup"; }
    fs::path Out() const { return scratch_ / "out"; }

    void Make(TSFXConfig& config) {
        config.BuildConfigBlock();
        test::AssembleWithPeerZip(Program(), config.ConfigBlock(), Source());
    }

    test::CommandResult Run(const std::string& args) {
        return RunHeadless(Program(), args, scratch_.Path());
    }

    test::TempDir scratch_;
    std::vector<std::string> names_;
};

TEST_F(SfxStubTest, AutoExtractGoesToTheDefaultFolderAndRunsTheCommandThere) {
    TSFXConfig config;
    config.AutoExtract = true;
    config.DefaultPath = Out().string();
    config.CmdLine = "echo ran > ran.txt";
    Make(config);
    const test::CommandResult result = Run("");
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    EXPECT_TRUE(test::SameFiles(Source(), Out(), names_));
    EXPECT_TRUE(fs::exists(Out() / "ran.txt")) << result.Output;
}

TEST_F(SfxStubTest, WithoutATerminalItAsksNothingAndExtractsNothing) {
    TSFXConfig config;
    config.DefaultPath = Out().string();
    config.InfoText = "Click OK to extract.\r\n";
    Make(config);
    const test::CommandResult result = Run("");
    EXPECT_EQ(result.ExitCode, 2);
    EXPECT_NE(result.Output.find("no terminal"), std::string::npos) << result.Output;
    EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(SfxStubTest, YesExtractsIntoTheGivenFolderAndKeepsFilesItMayNotReplace) {
    TSFXConfig config;
    config.OverwriteMode = omPrompt;
    config.CmdLine = "touch ran.txt";
    config.UserCanDisableCmdLine = true;
    Make(config);
    fs::create_directories(Out());
    test::WriteFileText(Out() / "readme.txt", "mine");
    const test::CommandResult result = Run("-y -n -d out");
    // The question about the existing file is answered "keep" without a terminal.
    EXPECT_EQ(result.ExitCode, 1) << result.Output;
    EXPECT_NE(result.Output.find("readme.txt"), std::string::npos);
    EXPECT_EQ(test::ReadFileBytes(Out() / "readme.txt"),
              std::vector<uint8_t>({'m', 'i', 'n', 'e'}));
    EXPECT_TRUE(test::SameFiles(Source(), Out(), {"sub/lines.txt", "noise.bin"}));
    EXPECT_FALSE(fs::exists(Out() / "ran.txt"));
}

TEST_F(SfxStubTest, ChoicesAreAllowedOnlyWhereTheMakerAllowsThem) {
    TSFXConfig config;  // overwrite fixed to "always", no choosing, command not skippable
    config.CmdLine = "true";
    Make(config);
    for (const char* args : {"-y -d out '*.txt'", "-y -d out -o never", "-y -d out -n"}) {
        SCOPED_TRACE(args);
        const test::CommandResult result = Run(args);
        EXPECT_EQ(result.ExitCode, 2) << result.Output;
        EXPECT_NE(result.Output.find("nothing was extracted"), std::string::npos) << result.Output;
        EXPECT_FALSE(fs::exists(Out()));
    }
    config.UserCanChooseFiles = true;
    config.UserCanChangeOverwrite = true;
    Make(config);
    fs::create_directories(Out());
    test::WriteFileText(Out() / "readme.txt", "mine");
    const test::CommandResult chosen = Run("-y -d out -o never '*.txt'");
    EXPECT_EQ(chosen.ExitCode, 1) << chosen.Output;  // readme.txt kept
    EXPECT_EQ(test::TreeFiles(Out()), std::vector<std::string>({"readme.txt", "sub/lines.txt"}));
    EXPECT_EQ(Run("-y -d out -o sometimes").ExitCode, 2);
}

TEST_F(SfxStubTest, ListingHelpAndAFailingCommand) {
    TSFXConfig config;
    config.Caption = "Site files";
    config.AutoExtract = true;
    config.CmdLine = "exit 3";
    Make(config);
    const test::CommandResult listed = Run("-l");
    EXPECT_EQ(listed.ExitCode, 0);
    EXPECT_NE(listed.Output.find("Site files"), std::string::npos);
    EXPECT_NE(listed.Output.find("sub/lines.txt"), std::string::npos);
    EXPECT_FALSE(fs::exists(scratch_ / "readme.txt"));
    EXPECT_EQ(Run("--help").ExitCode, 0);
    EXPECT_EQ(Run("--bogus").ExitCode, 2);
    const test::CommandResult ran = Run("-d out");
    EXPECT_EQ(ran.ExitCode, 1) << ran.Output;
    EXPECT_NE(ran.Output.find("failed"), std::string::npos);
    EXPECT_TRUE(test::SameFiles(Source(), Out(), names_));
}

TEST_F(SfxStubTest, AProgramWithoutABlockOrWithoutAnArchive) {
    test::AssembleWithPeerZip(Program(), {}, Source());
    const test::CommandResult plain = Run("-y -d out");
    EXPECT_EQ(plain.ExitCode, 0) << plain.Output;
    EXPECT_TRUE(test::SameFiles(Source(), Out(), names_));
    const test::CommandResult bare = RunHeadless(test::StubPath(), "-y -d bare", scratch_.Path());
    EXPECT_EQ(bare.ExitCode, 2);
    EXPECT_FALSE(fs::exists(scratch_ / "bare"));
}

}  // namespace
}  // namespace mobrel
