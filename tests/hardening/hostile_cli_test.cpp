// The hostile archives through mobrel-cli test and extract, as a user would run them: an
// exit status of 0, 1 or 2 with the reason on standard error, never a crash or a sanitizer
// report, and nothing written outside the folder given with -d.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "cli/cli_run.h"
#include "hardening/hostile_archives.h"
#include "hardening/link_attack_archives.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

void ExpectOrderlyEnd(const test::CliRun& run) {
    EXPECT_TRUE(run.Status >= 0 && run.Status <= 2) << run.Status << "\n" << run.Err;
    EXPECT_EQ(run.Err.find("Sanitizer"), std::string::npos) << run.Err;
    EXPECT_EQ(run.Err.find("runtime error"), std::string::npos) << run.Err;
}

TEST(HostileCli, TestAndExtractEndInAnExitStatusAndStayInside) {
    test::TempDir temp;
    test::TempDir archives;
    const fs::path out = temp / "a" / "b" / "out";
    std::vector<std::string> files;
    for (const test::HostileArchive& archive : test::HostileArchives(temp / "probe")) {
        const fs::path file = archives / (archive.Name + ".zip");
        test::WriteFileBytes(file, archive.Data);
        files.push_back(file.string());
    }
    for (const char* name :
         {"traversal-many-forms--python-gen.zip", "traversal-symlink-then-file--rubyzip-jwilk.zip",
          "traversal-dir-symlink--rubyzip-jwilk.zip",
          "names-backslash-separators--sharpcompress-evil.zip"}) {
        files.push_back((test::TestDataDir() / name).string());
    }
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const test::CliRun tested = test::RunCli({"test", file});
        ExpectOrderlyEnd(tested);
        const test::CliRun extracted =
            test::RunCli({"extract", file, "-d", out.string(), "-o", "always"});
        ExpectOrderlyEnd(extracted);
        std::cout << "cli\t" << fs::path(file).filename().string() << "\ttest " << tested.Status
                  << " " << FirstLine(tested.Err) << "\textract " << extracted.Status << " "
                  << FirstLine(extracted.Err) << "\n";
        EXPECT_EQ(test::PathsOutside(temp.Path(), out), std::vector<fs::path>{});
        fs::remove_all(temp / "a");
    }
}

TEST(HostileCli, TestReportsADamagedExtraFieldButStillChecksTheData) {
    test::TempDir archives;
    for (const test::HostileArchive& archive : test::HostileArchives(archives / "probe")) {
        if (archive.Name != "extra-record-past-its-area") {
            continue;
        }
        const fs::path file = archives / "damaged-extra.zip";
        test::WriteFileBytes(file, archive.Data);
        const test::CliRun tested = test::RunCli({"test", file.string()});
        EXPECT_EQ(tested.Status, 1);
        EXPECT_NE(tested.Err.find("plain.txt: damaged extra field"), std::string::npos)
            << tested.Err;
        EXPECT_NE(tested.Out.find("1 file OK"), std::string::npos) << tested.Out;
    }
}

// The shared link attacks through mobrel-cli extract: exit status 1, a line on standard
// error for each refused link naming it and why, nothing outside the folder given.
TEST(HostileCli, ExtractRefusesEachAttackingLinkByNameAndReason) {
    test::TempDir temp;
    test::TempDir archives;
    const test::LinkAttackZone zone(temp.Path());
    for (const test::LinkAttackArchive& attack : test::WriteLinkAttacks(archives.Path(), zone)) {
        SCOPED_TRACE(attack.Name);
        std::vector<std::string> args = {
            "extract", attack.Archive.string(), "-d", zone.Out().string(), "-o", "always"};
        if (!attack.Password.empty()) {
            args.insert(args.end(), {"-P", attack.Password});
        }
        const test::CliRun extracted = test::RunCli(args);
        ExpectOrderlyEnd(extracted);
        EXPECT_EQ(extracted.Status, 1) << extracted.Err;
        EXPECT_TRUE(test::ReportsEveryRefusal(attack, extracted.Err));
        EXPECT_TRUE(zone.NothingEscaped());
        std::cout << "cli\t" << attack.Name << "\t" << extracted.Status << "\n";
        zone.Reset();
    }
}

}  // namespace
}  // namespace mobrel
