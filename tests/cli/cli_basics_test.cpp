// What every subcommand of mobrel-cli gets from the program itself: --help, "--" ending the
// options, usage errors with status 2, and failures to write the output.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_run.h"
#include "subcommand.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::RunCli;

const char* const kListedArchive = "comment-archive-and-file-comments--infozip-gen.zip";

TEST(CliProgram, TheOverviewNamesEverySubcommandOnStdoutWhenAskedAndOnStderrAfterAMistake) {
    const CliRun asked = RunCli({"--help"});
    EXPECT_EQ(asked.Status, 0);
    EXPECT_EQ(asked.Err, "");
    for (const cli::Subcommand& sub : cli::Subcommands()) {
        EXPECT_NE(asked.Out.find(std::string("  ") + sub.Name + " "), std::string::npos)
            << sub.Name;
    }
    const CliRun bare = RunCli({});
    EXPECT_EQ(bare.Status, 2);
    EXPECT_EQ(bare.Out, "");
    EXPECT_EQ(bare.Err, asked.Out);

    const CliRun unknown = RunCli({"frobnicate", "a.zip"});
    EXPECT_EQ(unknown.Status, 2);
    EXPECT_EQ(unknown.Out, "");
    EXPECT_EQ(unknown.Err.rfind("mobrel-cli: unknown subcommand 'frobnicate'\n", 0), 0u)
        << unknown.Err;
}

TEST(CliProgram, EverySubcommandPrintsItsUsageForHelpWhereverItStands) {
    for (const cli::Subcommand& sub : cli::Subcommands()) {
        SCOPED_TRACE(sub.Name);
        for (const std::vector<std::string>& args : {std::vector<std::string>{sub.Name, "--help"},
                                                     {sub.Name, "-h"},
                                                     {sub.Name, "some.zip", "-q", "--help"}}) {
            const CliRun run = RunCli(args);
            EXPECT_EQ(run.Status, 0);
            EXPECT_EQ(run.Out, sub.Usage);
            EXPECT_EQ(run.Err, "");
        }
        EXPECT_EQ(std::string(sub.Usage).rfind(std::string("usage: mobrel-cli ") + sub.Name, 0),
                  0u);
    }
}

TEST(CliProgram, DoubleDashMakesTheNextWordsArgumentsEvenWhenTheyLookLikeOptions) {
    test::TempDir temp;
    fs::copy_file(test::TestDataDir() / kListedArchive, temp / "-v");
    const CliRun listed = RunCli({"list", "--", "-v"}, temp.Path());
    EXPECT_EQ(listed.Status, 0) << listed.Err;
    EXPECT_NE(listed.Out.find("Unzipped: 30,011"), std::string::npos) << listed.Out;

    // After "--" even --help is a name, here of an archive that does not exist.
    const CliRun named = RunCli({"list", "--", "--help"}, temp.Path());
    EXPECT_EQ(named.Status, 2);
    EXPECT_EQ(named.Out, "");
    EXPECT_NE(named.Err.find("mobrel-cli list: "), std::string::npos) << named.Err;
}

TEST(CliProgram, AUsageErrorGivesStatus2TheReasonAndTheUsageOnStderr) {
    const CliRun run = RunCli({"list", "-q", "a.zip"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Out, "");
    const std::string listUsage = cli::Subcommands().front().Usage;
    EXPECT_EQ(run.Err, "mobrel-cli list: unknown option -q\n" + listUsage);
}

TEST(CliProgram, OutputThatCannotBeWrittenIsAFailure) {
    const std::string archive = (test::TestDataDir() / kListedArchive).string();
    const test::CommandResult full =
        test::RunCommand("{ " + test::ShellQuote(MOBREL_CLI_PATH) + " list " +
                         test::ShellQuote(archive) + " >/dev/full; }");
    EXPECT_EQ(full.ExitCode, 2);
    EXPECT_NE(full.Output.find("mobrel-cli list: could not write the output"), std::string::npos)
        << full.Output;
}

}  // namespace
}  // namespace mobrel
