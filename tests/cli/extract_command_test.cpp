// mobrel-cli test and extract, run as programs: what they write, what they report per entry
// and their exit statuses (0 all done, 1 some entries failed or were skipped, 2 failed).
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

std::string Cli(const std::string& args) {
    // Standard input is no terminal: nothing is ever asked.
    return std::string(MOBREL_CLI_PATH) + " " + args + " </dev/null";
}

std::string TestArchive(const std::string& name) {
    return test::ShellQuote((test::TestDataDir() / name).string());
}

TEST(CliTest, ExitStatusSaysWhetherEveryEntryPassed) {
    const auto good =
        test::RunCommand(Cli("test " + TestArchive("m08-deflate-7z-mx9--7z-gen.zip")));
    EXPECT_EQ(good.ExitCode, 0) << good.Output;
    EXPECT_NE(good.Output.find("7 files OK"), std::string::npos) << good.Output;

    const auto damaged = test::RunCommand(Cli(
        "test -P crypt " + TestArchive("corrupt-crc-and-zlib-errors-pw-crypt--libzip-broken.zip")));
    EXPECT_EQ(damaged.ExitCode, 1);
    EXPECT_NE(damaged.Output.find("storedcrcerror: bad CRC b71a694c (should be b71a694d)"),
              std::string::npos)
        << damaged.Output;
    EXPECT_NE(damaged.Output.find("3 files OK, 3 failed"), std::string::npos);

    const auto locked = test::RunCommand(
        Cli("test -P nope " + TestArchive("enc-zipcrypto-stored-pw-abc--infozip-gen.zip")));
    EXPECT_EQ(locked.ExitCode, 1);
    EXPECT_NE(locked.Output.find("wrong password, skipped"), std::string::npos) << locked.Output;

    const auto empty =
        test::RunCommand(Cli("test " + TestArchive("empty-22-bytes--python-gen.zip")));
    EXPECT_EQ(empty.ExitCode, 0);

    const auto missing = test::RunCommand(Cli("test /no/such/archive.zip"));
    EXPECT_EQ(missing.ExitCode, 2);
    EXPECT_NE(missing.Output.find("Cannot open file"), std::string::npos);
    EXPECT_EQ(test::RunCommand(Cli("test")).ExitCode, 2);
}

TEST(CliExtract, ExtractsChosenEntriesAndKeepsExistingFilesUnlessTold) {
    test::TempDir temp;
    const std::string archive = TestArchive("enc-zipcrypto-deflate-pw-Secret-123--infozip-gen.zip");
    const std::string dest = test::ShellQuote((temp / "out").string());
    const auto all = test::RunCommand(Cli("extract " + archive + " -d " + dest + " -P Secret-123"));
    EXPECT_EQ(all.ExitCode, 0) << all.Output;
    ASSERT_TRUE(test::HaveTool("unzip"));
    const auto peer = test::RunCommand("unzip -qq -P Secret-123 " + archive + " -d " +
                                       test::ShellQuote((temp / "peer").string()));
    ASSERT_EQ(peer.ExitCode, 0);
    for (const auto& item : fs::recursive_directory_iterator(temp / "peer")) {
        if (item.is_regular_file()) {
            const fs::path relative = item.path().lexically_relative(temp / "peer");
            EXPECT_EQ(test::ReadFileBytes(temp / "out" / relative),
                      test::ReadFileBytes(item.path()))
                << relative;
        }
    }

    // Existing files are kept without a terminal to ask, and that counts as skipped.
    const auto again =
        test::RunCommand(Cli("extract " + archive + " -d " + dest + " -P Secret-123"));
    EXPECT_EQ(again.ExitCode, 1);
    EXPECT_NE(again.Output.find("exists and was not replaced"), std::string::npos);

    // Patterns with '/', -j, -o always; a pattern that names nothing is reported.
    const auto chosen = test::RunCommand(Cli("extract " + archive + " -d " +
                                             test::ShellQuote((temp / "flat").string()) +
                                             " -j -o always -P Secret-123 'docs/*' nothing.txt"));
    EXPECT_EQ(chosen.ExitCode, 1);
    EXPECT_NE(chosen.Output.find("nothing.txt: no such entry"), std::string::npos);
    std::vector<std::string> flat;
    for (const auto& item : fs::directory_iterator(temp / "flat")) {
        flat.push_back(item.path().filename().string());
        EXPECT_TRUE(item.is_regular_file());
    }
    EXPECT_FALSE(flat.empty());

    EXPECT_EQ(test::RunCommand(Cli("extract " + archive + " -o sometimes")).ExitCode, 2);
}

TEST(CliExtract, AWrongPasswordOrDamagedEntryIsPartialAndLeavesNoFile) {
    test::TempDir temp;
    const auto result =
        test::RunCommand(Cli("extract " + TestArchive("corrupt-stored-crc-mismatch--derived.zip") +
                             " -d " + test::ShellQuote(temp.Path().string())));
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_NE(result.Output.find("docs/hamlet_30k.txt: bad CRC"), std::string::npos);
    EXPECT_FALSE(fs::exists(temp / "docs" / "hamlet_30k.txt"));
}

}  // namespace
}  // namespace mobrel
