// Archives the peers make of a Linux tree, extracted by mobrel-cli and by Info-ZIP unzip
// side by side: the same names (Latin, Cyrillic, CJK, emoji), bytes, permissions (less the
// umask) and links, and the tree's modification times to the second, set to odd seconds so
// only an exact time passes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "cli/cli_run.h"
#include "platform/file_permissions.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

constexpr time_t kFileTime = 1700000001;
constexpr time_t kLinkTime = 1700000003;
constexpr time_t kFolderTime = 1700000005;

void SetTime(const fs::path& path, time_t when) {
    const struct timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

void WriteText(const fs::path& path, const std::string& text, mode_t mode) {
    test::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
    fs::permissions(path, static_cast<fs::perms>(mode));
    SetTime(path, kFileTime);
}

// A script, a private file, a private folder, links to a file and a folder, and names
// from four scripts.
void BuildTree(const fs::path& root) {
    fs::create_directories(root / "private" / "inner");
    fs::create_directories(root / "sub");
    WriteText(root / "run.sh", "#!/bin/sh\necho hi\n", 0755);
    WriteText(root / "secret.txt", "only mine\n", 0600);
    WriteText(root / "private" / "inner" / "note.txt", "deep\n", 0644);
    WriteText(root / "sub" / "target.txt", "the target\n", 0644);
    for (const char* name : {"café.txt", "привет.txt", "漢字.txt", "😀.txt"}) {
        WriteText(root / name, name, 0644);
    }
    fs::create_symlink("sub/target.txt", root / "link-to-file");
    fs::create_symlink("sub", root / "link-to-folder");
    SetTime(root / "link-to-file", kLinkTime);
    SetTime(root / "link-to-folder", kLinkTime);
    fs::permissions(root / "private", static_cast<fs::perms>(0700));
    for (const char* folder : {"private/inner", "private", "sub"}) {
        SetTime(root / folder, kFolderTime);
    }
}

struct Seen {
    std::string Kind;     // "file", "folder" or "link"
    std::string Content;  // a file's bytes or a link's target
    mode_t Permissions = 0;
    time_t Modified = 0;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& seen) {
    return out << seen.Kind << " " << std::oct << seen.Permissions << std::dec << " "
               << seen.Modified << " [" << seen.Content << "]";
}

std::map<std::string, Seen> Survey(const fs::path& root) {
    std::map<std::string, Seen> seen;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        struct stat info {};
        lstat(item.path().c_str(), &info);
        Seen entry;
        entry.Modified = info.st_mtime;
        if (S_ISLNK(info.st_mode)) {
            entry.Kind = "link";
            entry.Content = fs::read_symlink(item.path()).string();
        } else if (S_ISDIR(info.st_mode)) {
            entry.Kind = "folder";
            entry.Permissions = info.st_mode & 07777;
        } else {
            entry.Kind = "file";
            entry.Permissions = info.st_mode & 07777;
            const std::vector<uint8_t> bytes = test::ReadFileBytes(item.path());
            entry.Content.assign(bytes.begin(), bytes.end());
        }
        seen[item.path().lexically_relative(root).string()] = entry;
    }
    return seen;
}

TEST(ExtractUnixPeer, ModesLinksNamesAndExactTimesAsUnzipRestoresThem) {
    test::TempDir temp;
    BuildTree(temp / "tree");
    const std::string tree = test::ShellQuote((temp / "tree").string());
    // Every peer is required: the test command installs them.
    const std::map<std::string, std::string> makers = {
        {"zip", "zip -q -y -r ../made.zip ."},
        {"7zz", "7zz a -tzip -snl ../made.zip . >/dev/null"},
        {"bsdtar", "bsdtar --format zip -cf ../made.zip ."}};
    const uint32_t umask = ProcessUmask();
    const std::map<std::string, Seen> original = Survey(temp / "tree");
    for (const auto& [maker, command] : makers) {
        SCOPED_TRACE(maker);
        fs::remove(temp / "made.zip");
        ASSERT_EQ(test::RunCommand("cd " + tree + " && " + command).ExitCode, 0);
        const std::string archive = (temp / "made.zip").string();
        fs::remove_all(temp / "ours");
        fs::remove_all(temp / "theirs");
        const test::CliRun ours =
            test::RunCli({"extract", archive, "-d", (temp / "ours").string()});
        EXPECT_EQ(ours.Status, 0) << ours.Err;
        fs::create_directories(temp / "theirs");
        const test::CommandResult theirs =
            test::RunCommand("unzip -qq " + test::ShellQuote(archive) + " -d " +
                             test::ShellQuote((temp / "theirs").string()));
        ASSERT_EQ(theirs.ExitCode, 0) << theirs.Output;
        const std::map<std::string, Seen> ourTree = Survey(temp / "ours");
        // unzip restores modes as stored; the engine takes the umask off them as well. The
        // times are the tree's below: unzip leaves links undated and takes no time from
        // 7-Zip's NTFS field, so its DOS time rounds up.
        std::map<std::string, Seen> theirTree = Survey(temp / "theirs");
        std::map<std::string, Seen> ourUndated = ourTree;
        for (auto& [name, seen] : theirTree) {
            seen.Permissions &= ~umask;
            seen.Modified = 0;
            ourUndated[name].Modified = 0;
        }
        EXPECT_EQ(ourUndated, theirTree);
        // And the tree itself less the umask, to the second.
        ASSERT_EQ(ourTree.size(), original.size());
        for (const auto& [name, seen] : original) {
            SCOPED_TRACE(name);
            ASSERT_EQ(ourTree.count(name), 1u);
            const Seen& got = ourTree.at(name);
            EXPECT_EQ(got.Kind, seen.Kind);
            EXPECT_EQ(got.Content, seen.Content);
            EXPECT_EQ(got.Permissions, seen.Permissions & ~umask);
            EXPECT_EQ(got.Modified, seen.Modified);
        }
    }
}

}  // namespace
}  // namespace mobrel
