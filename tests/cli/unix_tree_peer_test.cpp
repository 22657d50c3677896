// A Linux tree zipped by mobrel-cli with links stored as links, then extracted by each peer:
// the names (UTF-8 in every script), the bytes, the permission bits where the peer restores
// them and the links where it makes them must all come back as they were.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "cli_run.h"
#include "test_support.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::RunCli;

// One path of a tree as it lies on disk, links not followed.
struct TreeItem {
    char Kind = '?';      // 'f' file, 'd' folder, 'l' link
    std::string Content;  // a file's bytes or a link's target
    unsigned Mode = 0;    // permission bits (a link's are meaningless and left 0)

    bool operator==(const TreeItem&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TreeItem& item) {
    return out << item.Kind << " " << std::oct << item.Mode << std::dec << " \"" << item.Content
               << "\"";
}

using Tree = std::map<std::string, TreeItem>;

Tree ReadTree(const fs::path& root) {
    Tree tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const fs::path path = it->path();
        const std::string name = path.lexically_relative(root).string();
        struct stat info {};
        lstat(path.c_str(), &info);
        TreeItem item;
        if (S_ISLNK(info.st_mode)) {
            item.Kind = 'l';
            item.Content = fs::read_symlink(path).string();
        } else if (S_ISDIR(info.st_mode)) {
            item.Kind = 'd';
            item.Mode = info.st_mode & 07777;
        } else {
            item.Kind = 'f';
            const auto bytes = test::ReadFileBytes(path);
            item.Content.assign(bytes.begin(), bytes.end());
            item.Mode = info.st_mode & 07777;
        }
        tree[name] = item;
    }
    return tree;
}

// What a peer that restores no modes and no links makes of the tree: links become files
// holding their target text, and modes are not compared.
Tree WithoutModesAndLinks(Tree tree) {
    for (auto& [name, item] : tree) {
        item.Mode = 0;
        if (item.Kind == 'l') {
            item.Kind = 'f';
        }
    }
    return tree;
}

class UnixTreeThroughPeers : public testing::Test {
  protected:
    void SetUp() override {
        // Peers mask restored modes with the umask; 022 leaves every mode below as it is.
        keptMask_ = umask(022);
        test::MakeFile(Source(), "bin/run.sh", "#!/bin/sh\necho hello\n");
        chmod((Source() / "bin/run.sh").c_str(), 0755);
        test::MakeFile(Source(), "secret.txt", "only mine\n");
        chmod((Source() / "secret.txt").c_str(), 0600);
        test::MakeFile(Source(), "private/diary.txt", "dear diary\n");
        chmod((Source() / "private").c_str(), 0700);
        test::MakeFile(Source(), "Übung.txt", "Latin\n");
        test::MakeFile(Source(), "Привет/мир.txt", "Cyrillic\n");
        test::MakeFile(Source(), "漢字.txt", "CJK\n");
        test::MakeFile(Source(), "party 🎉.txt", "emoji\n");
        fs::create_symlink("../Übung.txt", Source() / "bin/exercise");
        fs::create_directory_symlink("private", Source() / "linked-folder");
        const CliRun run = RunCli({"add", Archive().string(), "-r", "--symlinks", "."}, Source());
        ASSERT_EQ(run.Status, 0) << run.Err;
    }
    void TearDown() override { umask(keptMask_); }

    fs::path Source() const { return temp_ / "source"; }
    fs::path Archive() const { return temp_ / "tree.zip"; }
    fs::path Out(const std::string& peer) const { return temp_ / ("out-" + peer); }

    // Runs an extracting peer whose command line ends in the output folder.
    Tree ExtractWith(const std::string& peer, const std::string& command) {
        fs::create_directories(Out(peer));
        const test::CommandResult result = test::RunCommand(command);
        EXPECT_EQ(result.ExitCode, 0) << command << "\n" << result.Output;
        return ReadTree(Out(peer));
    }

    test::TempDir temp_;
    mode_t keptMask_ = 0;
};

TEST_F(UnixTreeThroughPeers, UnzipAndBsdtarRestoreNamesBytesModesAndLinks) {
    // Folders travel as entries of their own, so the 0700 folder's mode arrives too.
    const Tree expected = ReadTree(Source());
    ASSERT_EQ(expected.at("private").Mode, 0700u);
    ASSERT_EQ(expected.at("bin/exercise").Kind, 'l');
    const std::string archive = test::ShellQuote(Archive().string());
    EXPECT_EQ(ExtractWith("unzip", "unzip -q " + archive + " -d " + test::ShellQuote(Out("unzip"))),
              expected);
    EXPECT_EQ(
        ExtractWith("bsdtar", "bsdtar -xf " + archive + " -C " + test::ShellQuote(Out("bsdtar"))),
        expected);
}

TEST_F(UnixTreeThroughPeers, SevenZipRestoresNamesBytesAndLinks) {
    // 7-Zip ignores every link target with ".." in it unless -snld allows them.
    const Tree extracted =
        ExtractWith("7zz", "7zz x -y -bd -snld " + test::ShellQuote(Archive().string()) + " -o" +
                               test::ShellQuote(Out("7zz").string()) + " > /dev/null");
    Tree expected = ReadTree(Source());
    for (auto& [name, item] : expected) {
        item.Mode = 0;
    }
    Tree got = extracted;
    for (auto& [name, item] : got) {
        item.Mode = 0;
    }
    EXPECT_EQ(got, expected);
}

TEST_F(UnixTreeThroughPeers, PythonGetsTheSameNamesAndBytes) {
    const std::string script =
        "import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])";
    const Tree extracted = ExtractWith("python", "python3 -c " + test::ShellQuote(script) + " " +
                                                     test::ShellQuote(Archive().string()) + " " +
                                                     test::ShellQuote(Out("python").string()));
    EXPECT_EQ(WithoutModesAndLinks(extracted), WithoutModesAndLinks(ReadTree(Source())));
}

TEST_F(UnixTreeThroughPeers, PeersTestTheArchiveAndZipinfoShowsUnixModes) {
    const std::string archive = test::ShellQuote(Archive().string());
    for (const std::string command : {"unzip -tq ", "7z t ", "7zz t "}) {
        const test::CommandResult result = test::RunCommand(command + archive);
        EXPECT_EQ(result.ExitCode, 0) << command << "\n" << result.Output;
    }
    const std::string listing = test::RunCommand("zipinfo " + archive).Output;
    auto lineOf = [&](const std::string& name) {
        const size_t at = listing.find(" " + name + "\n");
        if (at == std::string::npos) {
            return std::string();
        }
        return listing.substr(listing.rfind('\n', at) + 1, at - listing.rfind('\n', at));
    };
    EXPECT_EQ(lineOf("bin/run.sh").substr(0, 25), "-rwxr-xr-x  3.0 unx      ");
    EXPECT_EQ(lineOf("secret.txt").substr(0, 25), "-rw-------  3.0 unx      ");
    EXPECT_EQ(lineOf("bin/exercise").substr(0, 10), "lrwxrwxrwx");
    EXPECT_EQ(lineOf("linked-folder").substr(0, 10), "lrwxrwxrwx");
    EXPECT_EQ(lineOf("漢字.txt").substr(0, 10), "-rw-r--r--");
}

TEST(CliLinks, ADanglingLinkFollowedIsReportedSkippedWithStatusOne) {
    test::TempDir temp;
    test::MakeFile(temp.Path(), "tree/kept.txt", "kept\n");
    fs::create_symlink("missing.txt", temp / "tree/broken");
    const fs::path archive = temp / "a.zip";
    const CliRun run = RunCli({"add", archive.string(), "-r", "."}, temp / "tree");
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("skipped"), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("broken (a link whose target is missing)"), std::string::npos)
        << run.Err;
    EXPECT_EQ(test::PythonNames(archive), std::vector<std::string>{"kept.txt"});
    // Stored as a link it is an entry like any other.
    const CliRun stored = RunCli({"add", archive.string(), "--symlinks", "broken"}, temp / "tree");
    EXPECT_EQ(stored.Status, 0) << stored.Err;
    EXPECT_EQ(test::ExtractWithPython(archive)["broken"].Bytes, "missing.txt");
}

TEST(CliLinks, AProgramStoresLinksAsLinksWhenAsked) {
    test::TempDir temp;
    test::MakeFile(temp.Path(), "tree/data.txt", "data\n");
    fs::create_symlink("data.txt", temp / "tree/alias");
    const fs::path program = temp / "setup";
    const CliRun run = RunCli({"sfx", program.string(), "--symlinks", "-r", "."}, temp / "tree");
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::string listing =
        test::RunCommand("zipinfo " + test::ShellQuote(program.string())).Output;
    EXPECT_NE(listing.find("lrwxrwxrwx  3.0 unx        8"), std::string::npos) << listing;
    EXPECT_NE(listing.find("-rw-r--r--  3.0 unx        5"), std::string::npos) << listing;
}

}  // namespace
}  // namespace mobrel
