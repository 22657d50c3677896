// mobrel-cli add, delete, comment and fix, run as a program on real folders and on archives
// made by other tools: what the peers make of the result, exit statuses and messages, and an
// old archive left byte for byte as it was when the work fails.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "cli_run.h"
#include "test_support.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::RunCli;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The lines of list -v, split into their tab-separated fields.
std::vector<std::vector<std::string>> ListedEntries(const fs::path& archive) {
    const CliRun run = RunCli({"list", "-v", archive.string()});
    EXPECT_EQ(run.Status, 0) << run.Err;
    std::vector<std::vector<std::string>> entries;
    std::istringstream lines(run.Out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) {
            fields.push_back(cell);
        }
        entries.push_back(fields);
    }
    return entries;
}

std::map<std::string, std::string> MethodsByName(const fs::path& archive) {
    std::map<std::string, std::string> methods;
    for (const auto& fields : ListedEntries(archive)) {
        methods[fields.at(0)] = fields.at(3);
    }
    return methods;
}

std::vector<std::string> SortedNames(const fs::path& archive) {
    std::vector<std::string> names = test::PythonNames(archive);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Python(const std::string& script, const fs::path& archive) {
    return test::RunCommand("python3 -c " + test::ShellQuote(script) + " " +
                            test::ShellQuote(archive.string()))
        .Output;
}

// A small web site: text that deflates well, bytes that do not, and nested folders.
class CliWriting : public testing::Test {
  protected:
    void SetUp() override {
        files_ = {{"index.html", test::CompressibleText(60000)},
                  {"css/site.css", test::CompressibleText(7000)},
                  {"img/logo.bin", test::RandomBytes(30000, 7)},
                  {"deep/a/b/notes.txt", test::CompressibleText(2000)}};
        for (const auto& [name, bytes] : files_) {
            test::MakeFile(Site(), name, bytes);
        }
    }
    fs::path Site() const { return temp_ / "site"; }
    fs::path Archive() const { return temp_ / "site.zip"; }
    // add ARCHIVE -r [options] . in the site folder.
    CliRun AddSite(std::vector<std::string> options) {
        std::vector<std::string> args = {"add", Archive().string(), "-r"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(".");
        return RunCli(args, Site());
    }
    fs::path CopyOfTestArchive(const std::string& name) {
        const fs::path copy = temp_ / name;
        fs::copy_file(test::TestDataDir() / name, copy);
        return copy;
    }

    test::TempDir temp_;
    std::map<std::string, std::string> files_;
};

TEST_F(CliWriting, AFolderTreeIsZippedWithRelativePathsAndComesBackWhole) {
    const CliRun run = AddSite({});
    ASSERT_EQ(run.Status, 0) << run.Err;
    // Folders get entries of their own, as other zip tools write them.
    EXPECT_EQ(run.Out, "9 files zipped into " + Archive().string() + "\n");
    EXPECT_EQ(run.Err, "");  // no progress bar without a terminal
    EXPECT_EQ(
        SortedNames(Archive()),
        (std::vector<std::string>{"css/", "css/site.css", "deep/", "deep/a/", "deep/a/b/",
                                  "deep/a/b/notes.txt", "img/", "img/logo.bin", "index.html"}));
    test::ExpectPeersAccept(Archive());
    const test::ExtractedTree unzipped = test::ExtractWithUnzip(Archive());
    for (const auto& [name, bytes] : files_) {
        ASSERT_EQ(unzipped.count(name), 1u) << name;
        EXPECT_EQ(unzipped.at(name).Bytes, bytes) << name;
    }
    // And through our own test and extract.
    EXPECT_EQ(RunCli({"test", Archive().string()}).Status, 0);
    const CliRun extracted = RunCli({"extract", Archive().string(), "-d", "back"}, temp_.Path());
    EXPECT_EQ(extracted.Status, 0) << extracted.Err;
    EXPECT_EQ(test::RunCommand("diff -r " + test::ShellQuote(Site().string()) + " " +
                               test::ShellQuote((temp_ / "back").string()))
                  .ExitCode,
              0);
}

TEST_F(CliWriting, LevelsNoCompressionPatternsAndExclusions) {
    ASSERT_EQ(AddSite({"-0"}).Status, 0);
    for (const auto& [name, method] : MethodsByName(Archive())) {
        EXPECT_EQ(method, "0") << name;
    }
    const uintmax_t stored = fs::file_size(Archive());
    fs::remove(Archive());

    const CliRun run = AddSite({"-9", "-n", "*.bin", "-x", "*.css"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto methods = MethodsByName(Archive());
    EXPECT_EQ(methods, (std::map<std::string, std::string>{{"css/", "0"},
                                                           {"deep/", "0"},
                                                           {"deep/a/", "0"},
                                                           {"deep/a/b/", "0"},
                                                           {"deep/a/b/notes.txt", "8"},
                                                           {"img/", "0"},
                                                           {"img/logo.bin", "0"},
                                                           {"index.html", "8"}}));
    EXPECT_LT(fs::file_size(Archive()), stored);
    test::ExpectPeersAccept(Archive());
}

TEST_F(CliWriting, AnEncryptedArchiveOpensWithItsPasswordOnly) {
    ASSERT_EQ(AddSite({"-P", "two words"}).Status, 0);
    for (const auto& fields : ListedEntries(Archive())) {
        // Folder entries hold no data to encrypt.
        const bool folder = fields.at(0).back() == '/';
        EXPECT_EQ(fields.at(7), folder ? "0" : "1") << fields.at(0);
    }
    test::ExpectPeersAccept(Archive(), "two words");
    EXPECT_EQ(RunCli({"test", "-P", "two words", Archive().string()}).Status, 0);
    const CliRun locked = RunCli({"test", Archive().string()});
    EXPECT_EQ(locked.Status, 1);
    EXPECT_TRUE(Contains(locked.Err, "index.html: wrong password, skipped")) << locked.Err;
}

TEST_F(CliWriting, AddingToAPeersArchiveCopiesItsEntriesUntouchedAndReplacesByDate) {
    const fs::path archive = CopyOfTestArchive("m08-deflate-infozip30-unix--infozip-gen.zip");
    const auto before = ListedEntries(archive);  // every entry dated 2024-03-15
    test::MakeFile(temp_.Path(), "added.txt", "new\n");
    CliRun run = RunCli({"add", archive.string(), "added.txt"}, temp_.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    auto after = ListedEntries(archive);
    ASSERT_EQ(after.size(), before.size() + 1);
    for (const auto& entry : before) {  // same sizes, method, CRC, date and attributes
        EXPECT_NE(std::find(after.begin(), after.end(), entry), after.end()) << entry.at(0);
    }
    test::ExpectPeersAccept(archive);

    // An older tiny.txt does not update the entry; a newer one freshens it; freshening adds
    // nothing new.
    test::MakeFile(temp_.Path(), "tiny.txt", "older text, longer than the entry\n");
    test::SetFileTime((temp_ / "tiny.txt").string(), 946684800);  // 2000-01-01
    run = RunCli({"add", archive.string(), "-u", "tiny.txt"}, temp_.Path());
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(test::ExtractWithUnzip(archive).at("tiny.txt").Bytes.size(), 11u);
    test::SetFileTime((temp_ / "tiny.txt").string(), 1893456000);  // 2030-01-01
    test::MakeFile(temp_.Path(), "unlisted.txt", "not in the archive\n");
    run = RunCli({"add", archive.string(), "-f", "tiny.txt", "unlisted.txt"}, temp_.Path());
    EXPECT_EQ(run.Status, 0) << run.Err;
    const test::ExtractedTree tree = test::ExtractWithUnzip(archive);
    EXPECT_EQ(tree.at("tiny.txt").Bytes, "older text, longer than the entry\n");
    EXPECT_EQ(tree.count("unlisted.txt"), 0u);
    test::ExpectPeersAccept(archive);
}

TEST_F(CliWriting, MissingFilesArePartialAndAFailedAddLeavesTheOldFileAsItWas) {
    test::MakeFile(temp_.Path(), "present.txt", "here\n");
    CliRun run = RunCli({"add", "out.zip", "present.txt", "absent.txt"}, temp_.Path());
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(Contains(run.Err, "absent.txt")) << run.Err;
    EXPECT_EQ(test::PythonNames(temp_ / "out.zip"), (std::vector<std::string>{"present.txt"}));

    // A file of that name that is no archive is never overwritten.
    test::MakeFile(temp_.Path(), "notes.zip", "plain text, not an archive\n");
    const std::vector<uint8_t> original = test::ReadFileBytes(temp_ / "notes.zip");
    run = RunCli({"add", "notes.zip", "present.txt"}, temp_.Path());
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Err.rfind("mobrel-cli add: ", 0), 0u) << run.Err;
    EXPECT_EQ(test::ReadFileBytes(temp_ / "notes.zip"), original);

    run = RunCli({"add", "out.zip", "-u", "-f", "present.txt"}, temp_.Path());
    EXPECT_EQ(run.Status, 2);
    EXPECT_TRUE(Contains(run.Err, "-u and -f exclude each other")) << run.Err;
}

TEST_F(CliWriting, DeleteByPatternAndByNameWhileNoMatchChangesNothing) {
    const fs::path archive = CopyOfTestArchive("m08-deflate-infozip30-unix--infozip-gen.zip");
    CliRun run = RunCli({"delete", archive.string(), "BIN/*", "docs/empty.txt"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    const std::vector<std::string> names = SortedNames(archive);
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [](const std::string& name) {
                                return name.rfind("bin/", 0) == 0 || name == "docs/empty.txt";
                            }),
              0);
    EXPECT_NE(std::find(names.begin(), names.end(), "docs/hamlet_30k.txt"), names.end());
    test::ExpectPeersAccept(archive);

    const std::vector<uint8_t> kept = test::ReadFileBytes(archive);
    run = RunCli({"delete", archive.string(), "nothing*"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(Contains(run.Err, "no entry matched")) << run.Err;
    EXPECT_EQ(test::ReadFileBytes(archive), kept);

    run = RunCli({"delete", (temp_ / "absent.zip").string(), "a.txt"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_FALSE(fs::exists(temp_ / "absent.zip"));
}

TEST_F(CliWriting, CommentsOfTheArchiveAndOfAnEntryReachThePeers) {
    ASSERT_EQ(AddSite({}).Status, 0);
    CliRun run = RunCli({"comment", Archive().string(), "Built for the web"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    run = RunCli({"comment", Archive().string(), "--entry", "deep/a/b/notes.txt", "a note"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(Python("import sys,zipfile\n"
                     "z=zipfile.ZipFile(sys.argv[1])\n"
                     "print(z.comment.decode(), z.getinfo('deep/a/b/notes.txt').comment.decode())",
                     Archive()),
              "Built for the web a note\n");
    test::ExpectPeersAccept(Archive());

    const std::vector<uint8_t> kept = test::ReadFileBytes(Archive());
    run = RunCli({"comment", Archive().string(), "--entry", "no/such.txt", "x"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_TRUE(Contains(run.Err, "no/such.txt")) << run.Err;
    EXPECT_EQ(test::ReadFileBytes(Archive()), kept);
}

TEST_F(CliWriting, FixCopiesTheReadableEntriesOfATruncatedArchiveAndLeavesItAlone) {
    const fs::path damaged = CopyOfTestArchive("corrupt-truncated-at-20000--derived.zip");
    const std::vector<uint8_t> original = test::ReadFileBytes(damaged);
    const fs::path fixed = temp_ / "fixed.zip";
    const mode_t keptMask = umask(022);
    const CliRun run = RunCli({"fix", damaged.string(), fixed.string()});
    umask(keptMask);
    // A new file, with the mode any new file gets, not that of a private temporary one.
    EXPECT_EQ(fs::status(fixed).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
    // The last entry was cut off, so something was left out.
    EXPECT_EQ(run.Status, 1) << run.Err;
    EXPECT_TRUE(Contains(run.Err, "left out")) << run.Err;
    EXPECT_EQ(test::ReadFileBytes(damaged), original);
    test::ExpectPeersAccept(fixed);
    const test::ExtractedTree tree = test::ExtractWithUnzip(fixed);
    for (const char* name :
         {"tiny.txt", "docs/empty.txt", "docs/hamlet_30k.txt", "bin/binary_20k.bin"}) {
        EXPECT_EQ(tree.count(name), 1u) << name;
    }
    EXPECT_EQ(tree.count("bin/random_8k.bin"), 0u);
    EXPECT_EQ(RunCli({"test", fixed.string()}).Status, 0);
}

}  // namespace
}  // namespace mobrel
