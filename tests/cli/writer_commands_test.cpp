// mobrel-cli add, delete, comment and fix, run as programs: what they write is checked with
// the peers, and their exit statuses tell a full success from a partial one and a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "test_support.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

test::CommandResult Cli(const TempDir& dir, const std::string& args) {
    return test::RunCommand("cd " + test::ShellQuote(dir.Path().string()) + " && " +
                            std::string(MOBREL_CLI_PATH) + " " + args);
}

std::vector<std::string> SortedNames(const fs::path& archive) {
    std::vector<std::string> names = test::PythonNames(archive);
    std::sort(names.begin(), names.end());
    return names;
}

struct Site {
    TempDir Dir;
    Site() {
        test::MakeFile(Dir.Path(), "site/index.html", test::CompressibleText(20000));
        test::MakeFile(Dir.Path(), "site/photo.jpg", test::RandomBytes(4000, 3));
        test::MakeFile(Dir.Path(), "site/css/main.css", "body {}\n");
        test::MakeFile(Dir.Path(), "site/css/old.css.bak", "old\n");
    }
    fs::path Archive() const { return Dir / "site.zip"; }
};

TEST(CliAdd, FoldersWildcardsAndTheOptionsThatShapeTheEntries) {
    Site site;
    auto result = Cli(site.Dir, "add site.zip -r -x '*.bak' -n '*.jpg' -9 site");
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    EXPECT_EQ(SortedNames(site.Archive()),
              (std::vector<std::string>{"site/css/", "site/css/main.css", "site/index.html",
                                        "site/photo.jpg"}));
    for (const test::RawEntry& entry : test::ReadRawEntries(site.Archive())) {
        // A folder holds no data; main.css is too small to be worth compressing.
        if (entry.Name != "site/css/main.css" && entry.Name.back() != '/') {
            EXPECT_EQ(entry.Method, entry.Name == "site/photo.jpg" ? 0 : 8) << entry.Name;
        }
    }
    test::ExpectPeersAccept(site.Archive());

    // Without -r a folder gives only its own files; -R stores names relative to ROOTDIR.
    fs::remove(site.Archive());
    result = Cli(site.Dir, "add site.zip -R site -0 site");
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    EXPECT_EQ(SortedNames(site.Archive()), (std::vector<std::string>{"index.html", "photo.jpg"}));

    fs::remove(site.Archive());
    result = Cli(site.Dir, "add site.zip --no-paths -P 'pa ss' 'site/css/*.css'");
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    EXPECT_EQ(SortedNames(site.Archive()), std::vector<std::string>{"main.css"});
    test::ExpectPeersAccept(site.Archive(), "pa ss");
}

TEST(CliAdd, UpdateFreshenAndTheExitStatuses) {
    Site site;
    ASSERT_EQ(Cli(site.Dir, "add site.zip site/index.html").ExitCode, 0);
    test::WriteFileText(site.Dir / "site/index.html", "changed\n");
    test::SetFileTime((site.Dir / "site/index.html").string(), 1000000000);  // 2001: older
    // -f: only existing entries, only with newer files.
    auto result = Cli(site.Dir, "add site.zip -f site/index.html site/photo.jpg");
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    EXPECT_EQ(SortedNames(site.Archive()), std::vector<std::string>{"site/index.html"});
    EXPECT_NE(test::ExtractWithUnzip(site.Archive())["site/index.html"].Bytes, "changed\n");
    // The default replaces whatever the dates say.
    result = Cli(site.Dir, "add site.zip site/index.html");
    EXPECT_EQ(test::ExtractWithUnzip(site.Archive())["site/index.html"].Bytes, "changed\n");
    // A missing file is a partial success; bad usage and engine failures are failures.
    result = Cli(site.Dir, "add site.zip site/photo.jpg site/missing.txt");
    EXPECT_EQ(result.ExitCode, 1) << result.Output;
    EXPECT_NE(result.Output.find("missing.txt"), std::string::npos);
    EXPECT_EQ(Cli(site.Dir, "add site.zip -u -f site/photo.jpg").ExitCode, 2);
    EXPECT_EQ(Cli(site.Dir, "add site.zip").ExitCode, 2);
    test::WriteFileText(site.Dir / "notazip.zip", "this is not an archive at all");
    result = Cli(site.Dir, "add notazip.zip site/photo.jpg");
    EXPECT_EQ(result.ExitCode, 2) << result.Output;
    EXPECT_EQ(test::ReadFileBytes(site.Dir / "notazip.zip").size(), 29u);
}

TEST(CliAdd, NamesThatFindNoFileAreReportedAsTypedAndNothingEmptyIsWritten) {
    Site site;
    fs::create_directory(site.Dir / "empty");
    // Nothing at all to zip: a failure, and no new archive.
    auto result = Cli(site.Dir, "add new.zip no-such-file 'site/*.txt' empty");
    EXPECT_EQ(result.ExitCode, 2) << result.Output;
    for (const char* typed : {"no-such-file", "site/*.txt", "empty"}) {
        EXPECT_NE(result.Output.find(std::string(typed) + ": no file matches\n"), std::string::npos)
            << result.Output;
    }
    EXPECT_FALSE(fs::exists(site.Dir / "new.zip"));

    // Some zipped: a partial success.
    result = Cli(site.Dir, "add new.zip site/index.html 'nowhere/*'");
    EXPECT_EQ(result.ExitCode, 1) << result.Output;
    EXPECT_NE(result.Output.find("nowhere/*: no file matches"), std::string::npos);
    EXPECT_EQ(SortedNames(site.Dir / "new.zip"), std::vector<std::string>{"site/index.html"});

    // An existing archive stays as it was.
    const std::vector<uint8_t> before = test::ReadFileBytes(site.Dir / "new.zip");
    result = Cli(site.Dir, "add new.zip gone.txt");
    EXPECT_EQ(result.ExitCode, 2) << result.Output;
    EXPECT_EQ(test::ReadFileBytes(site.Dir / "new.zip"), before);
    // Nothing newer to freshen with is no failure.
    EXPECT_EQ(Cli(site.Dir, "add new.zip -f site/index.html").ExitCode, 0);
}

TEST(CliDelete, PatternsAndPlainNamesTypedWithSlashes) {
    Site site;
    ASSERT_EQ(Cli(site.Dir, "add site.zip -r site").ExitCode, 0);
    auto result = Cli(site.Dir, "delete site.zip 'site/css/*' SITE/Photo.JPG");
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    EXPECT_EQ(SortedNames(site.Archive()), std::vector<std::string>{"site/index.html"});
    test::ExpectPeersAccept(site.Archive());
    EXPECT_EQ(Cli(site.Dir, "delete site.zip nothing.txt").ExitCode, 1);
    EXPECT_EQ(Cli(site.Dir, "delete absent.zip x").ExitCode, 2);
    EXPECT_FALSE(fs::exists(site.Dir / "absent.zip"));
}

TEST(CliComment, ArchiveAndEntryCommentsAreWrittenIntoTheArchive) {
    Site site;
    ASSERT_EQ(Cli(site.Dir, "add site.zip -r site").ExitCode, 0);
    EXPECT_EQ(Cli(site.Dir, "comment site.zip 'for the web'").ExitCode, 0);
    EXPECT_EQ(Cli(site.Dir, "comment site.zip --entry site/css/main.css 'the style'").ExitCode, 0);
    const auto listing = test::RunCommand(
        "python3 -c 'import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
        "print(z.comment, z.getinfo(\"site/css/main.css\").comment)' " +
        test::ShellQuote(site.Archive().string()));
    EXPECT_EQ(listing.Output, "b'for the web' b'the style'\n");
    EXPECT_EQ(Cli(site.Dir, "comment site.zip --entry nothere.txt x").ExitCode, 2);
    test::ExpectPeersAccept(site.Archive());
}

TEST(CliFix, ReadableEntriesAreCopiedAndLostOnesReported) {
    TempDir dir;
    fs::copy_file(test::TestDataDir() / "corrupt-stored-crc-mismatch--derived.zip",
                  dir / "damaged.zip");
    auto result = Cli(dir, "fix damaged.zip fixed.zip");
    EXPECT_EQ(result.ExitCode, 1) << result.Output;
    EXPECT_NE(result.Output.find("hamlet_30k.txt"), std::string::npos);
    EXPECT_EQ(test::PythonNames(dir / "fixed.zip").size(), 7u);
    test::ExpectPeersAccept(dir / "fixed.zip");

    fs::copy_file(test::TestDataDir() / "m08-deflate-infozip30-unix--infozip-gen.zip",
                  dir / "sound.zip");
    result = Cli(dir, "fix sound.zip copy.zip");
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    EXPECT_EQ(Cli(dir, "fix missing.zip out.zip").ExitCode, 2);
}

}  // namespace
}  // namespace mobrel
