// mobrel-cli test and extract, run as a program on archives made by other tools: exit
// statuses, the messages on standard error, what lands on disk, and the password prompt on
// a terminal.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_run.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::RunCli;

std::string TestArchive(const std::string& name) {
    return (test::TestDataDir() / name).string();
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Every file below folder, by its path relative to it.
std::vector<std::string> FilesBelow(const fs::path& folder) {
    std::vector<std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        if (!item.is_directory()) {
            files.push_back(fs::relative(item.path(), folder).string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool SameTrees(const fs::path& one, const fs::path& other) {
    return test::RunCommand("diff -r " + test::ShellQuote(one.string()) + " " +
                            test::ShellQuote(other.string()))
               .ExitCode == 0;
}

const char* const kGoodArchive = "m08-deflate-infozip30-unix--infozip-gen.zip";
const char* const kAbcArchive = "enc-zipcrypto-stored-pw-abc--infozip-gen.zip";

// Statuses beyond those of the subcommand's own tests: an archive that cannot be read at
// all, and the streams kept apart (results on stdout, the engine's message on stderr).
TEST(CliTestAndExtract, AnArchiveThatCannotBeReadIsStatus2WithTheEngineMessageOnStderr) {
    const struct {
        std::string Archive;
        std::string Message;
    } cases[] = {
        {TestArchive("corrupt-not-a-zip-11-bytes--libzip.zip"), ": Not a valid zip file!\n"},
        {TestArchive("corrupt-truncated-at-20000--derived.zip"),
         ": Premature end of file reached\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Archive);
        test::TempDir temp;
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"test", c.Archive}, {"extract", c.Archive, "-d", "out"}}) {
            const CliRun run = RunCli(args, temp.Path());
            EXPECT_EQ(run.Status, 2);
            EXPECT_EQ(run.Out, "");
            EXPECT_EQ(run.Err.rfind("mobrel-cli " + args[0] + ": ", 0), 0u) << run.Err;
            EXPECT_TRUE(Contains(run.Err, c.Message)) << run.Err;
        }
    }
    const CliRun bad = RunCli({"test", TestArchive("corrupt-bad-crc--jszip.zip")});
    EXPECT_EQ(bad.Status, 1);
    EXPECT_EQ(bad.Out,
              "0 files OK, 1 failed in " + TestArchive("corrupt-bad-crc--jszip.zip") + "\n");
    EXPECT_EQ(bad.Err, "mobrel-cli test: Hello.txt: bad CRC b095e5e3 (should be 0bb0feca)\n");
    // Without a terminal nothing else reaches stderr: no prompt, no progress bar.
    const CliRun good = RunCli({"test", TestArchive(kGoodArchive)});
    EXPECT_EQ(good.Status, 0);
    EXPECT_EQ(good.Err, "");
}

TEST(CliTestAndExtract, GivesTheSameFilesAsUnzipForEveryMethodItDecodes) {
    for (const char* name :
         {kGoodArchive, "m01-shrink-partial-clear-hamlet200k--hwzip-gen.zip",
          "m05-reduce4-4files--hwzip-gen.zip", "m06-implode-8k3t-4files--hwzip-gen.zip",
          "dd-7z-stdout-stream--7z-gen.zip", "utf8-bit11-7z-mcu--7z-gen.zip"}) {
        SCOPED_TRACE(name);
        test::TempDir temp;
        const CliRun run = RunCli({"extract", TestArchive(name), "-d", (temp / "ours").string()});
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Err, "");
        const bool unzipped = test::RunCommand("unzip -qq " + test::ShellQuote(TestArchive(name)) +
                                               " -d " + test::ShellQuote((temp / "peer").string()))
                                  .ExitCode == 0;
        if (!unzipped) {  // unzip knows no reduce: its files are checked by the test command
            EXPECT_EQ(RunCli({"test", TestArchive(name)}).Status, 0);
            continue;
        }
        EXPECT_TRUE(SameTrees(temp / "ours", temp / "peer"));
    }
}

TEST(CliTestAndExtract, PatternsIgnoreCaseAndExistingFilesFollowTheOverwriteMode) {
    test::TempDir temp;
    const std::string archive = TestArchive(kGoodArchive);  // entries dated 2024-03-15
    const std::string dest = (temp / "out").string();

    CliRun run = RunCli({"extract", archive, "-d", dest, "DOCS/*.TXT", "Tiny.Txt"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(FilesBelow(dest),
              (std::vector<std::string>{"docs/empty.txt", "docs/hamlet_30k.txt", "tiny.txt"}));

    // The file on disk is "mine" (4 bytes); the entry holds 11 bytes.
    const fs::path existing = temp / "out" / "tiny.txt";
    const auto extractOver = [&](const char* mode, const char* fileDate) {
        test::WriteFileText(existing, "mine");
        test::RunCommand(std::string("touch -d ") + fileDate + " " +
                         test::ShellQuote(existing.string()));
        const CliRun over = RunCli({"extract", archive, "-d", dest, "-o", mode, "tiny.txt"});
        const bool replaced = test::ReadFileBytes(existing).size() == 11u;
        EXPECT_EQ(over.Status, replaced ? 0 : 1) << mode << " " << over.Err;
        EXPECT_EQ(Contains(over.Err, "tiny.txt: exists and was not replaced"), !replaced)
            << over.Err;
        return replaced;
    };
    EXPECT_FALSE(extractOver("never", "2000-01-01"));
    EXPECT_TRUE(extractOver("newer", "2000-01-01"));   // the entry is newer
    EXPECT_FALSE(extractOver("newer", "2030-01-01"));  // the file is newer
    EXPECT_TRUE(extractOver("older", "2030-01-01"));
    EXPECT_FALSE(extractOver("older", "2000-01-01"));
    EXPECT_TRUE(extractOver("always", "2030-01-01"));
}

TEST(CliTestAndExtract, HostileNamesNeverWriteOutsideTheDestination) {
    for (const char* name : {"traversal-many-forms--python-gen.zip",
                             "names-backslash-separators--sharpcompress-evil.zip",
                             "traversal-symlink-then-file--rubyzip-jwilk.zip"}) {
        SCOPED_TRACE(name);
        test::TempDir temp;
        fs::create_directories(temp / "work" / "dest");
        const CliRun run = RunCli({"extract", TestArchive(name), "-d", "dest"}, temp / "work");
        EXPECT_LE(run.Status, 1) << run.Err;
        for (const std::string& file : FilesBelow(temp.Path())) {
            EXPECT_EQ(file.rfind("work/dest/", 0), 0u) << file << " is outside the destination";
        }
        EXPECT_FALSE(FilesBelow(temp / "work" / "dest").empty());
    }
}

TEST(CliTestAndExtract, ALinkOutOfTheDestinationIsReportedWithItsTarget) {
    for (const auto& [name, target] : std::vector<std::pair<std::string, std::string>>{
             {"traversal-symlink-then-file--rubyzip-jwilk.zip", "/tmp/moo"},
             {"traversal-dir-symlink--rubyzip-jwilk.zip", "/tmp"}}) {
        SCOPED_TRACE(name);
        test::TempDir temp;
        const CliRun run = RunCli({"extract", TestArchive(name), "-d", "dest"}, temp.Path());
        EXPECT_EQ(run.Status, 1);
        const std::string link = name.find("dir-") != std::string::npos ? "tmp" : "moo";
        EXPECT_NE(run.Err.find("dest/" + link + ": link to " + target +
                               " leaves the destination, skipped"),
                  std::string::npos)
            << run.Err;
        // The name the link would have had holds the file (or folder) that came after.
        EXPECT_FALSE(fs::is_symlink(temp / "dest" / link));
        EXPECT_TRUE(fs::exists(temp / "dest" / link));
    }
}

// On a terminal a missing password is asked for, without echo; a script is never asked.
TEST(CliPassword, AskedOnATerminalWithoutEchoAndAgainAfterAWrongAnswer) {
    test::TempDir temp;
    // A name that does not contain the password, so the screen can be searched for it.
    fs::copy_file(TestArchive(kAbcArchive), temp / "locked.zip");
    CliRun run =
        test::RunCliOnTerminal({"test", "locked.zip"}, {{"Password for ", "abc\n"}}, temp.Path());
    EXPECT_EQ(run.Status, 0) << run.Out;
    EXPECT_TRUE(Contains(run.Out, "3 files OK in locked.zip")) << run.Out;
    EXPECT_FALSE(Contains(run.Out, "abc")) << run.Out;

    run = test::RunCliOnTerminal(
        {"extract", "locked.zip", "-d", "out"},
        {{"Password for ", "wrong\n"}, {"Wrong password. Password for ", "abc\n"}}, temp.Path());
    EXPECT_EQ(run.Status, 0) << run.Out;
    EXPECT_EQ(FilesBelow(temp / "out"),
              (std::vector<std::string>{"docs/empty.txt", "docs/hamlet_30k.txt", "tiny.txt"}));

    // Ctrl-D gives up: the entries are skipped and reported.
    run = test::RunCliOnTerminal({"test", "locked.zip"}, {{"Password for ", "\x04"}}, temp.Path());
    EXPECT_EQ(run.Status, 1) << run.Out;
    EXPECT_TRUE(Contains(run.Out, "wrong password, skipped")) << run.Out;

    // -P on a terminal: used as given, never asked.
    run = test::RunCliOnTerminal({"test", "-P", "abc", "locked.zip"}, {}, temp.Path());
    EXPECT_EQ(run.Status, 0) << run.Out;
    EXPECT_FALSE(Contains(run.Out, "Password for")) << run.Out;
}

}  // namespace
}  // namespace mobrel
