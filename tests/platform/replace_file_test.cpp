#include "platform/replace_file.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

// Runs action in a child process that may not write where its owner lacks permission:
// when the tests run as root, the child becomes "nobody" first, since root writes
// everywhere. Returns the child's exit code: 0 for true, 1 for false, other values for a
// failure of the set-up.
int RunUnprivileged(const std::function<bool()>& action) {
    const pid_t child = fork();
    if (child == 0) {
        if (getuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
            _exit(3);
        }
        try {
            _exit(action() ? 0 : 1);
        } catch (...) {
            _exit(2);
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 4;
}

// A folder anyone may write into, for the source files of the unprivileged child.
fs::path OpenFolder(const fs::path& parent) {
    const fs::path folder = parent / "open";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::all);
    return folder;
}

void MakeReadOnlyFolder(const fs::path& folder) {
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
}

void MakeReadableByAll(const fs::path& file) {
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
}

bool SameDevice(const fs::path& a, const fs::path& b) {
    struct stat sa {};
    struct stat sb {};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

// A scratch folder on another file system than the test folders, when there is one.
fs::path OtherFileSystemBase(const fs::path& than) {
    for (const char* candidate : {"/dev/shm", "/run/user", "/var/tmp"}) {
        if (fs::is_directory(candidate) && access(candidate, W_OK) == 0 &&
            !SameDevice(candidate, than)) {
            return candidate;
        }
    }
    return {};
}

class OtherFileSystemDir {
  public:
    explicit OtherFileSystemDir(const fs::path& base)
        : path_(base / ("mobrel-test-" + std::to_string(getpid()))) {
        fs::create_directories(path_);
    }
    ~OtherFileSystemDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

std::string ReadText(const fs::path& file) {
    const std::vector<uint8_t> bytes = test::ReadFileBytes(file);
    return {bytes.begin(), bytes.end()};
}

TEST(ReplaceFile, RenamesOverTheOldFileOnOneFileSystem) {
    test::TempDir dir;
    test::WriteFileText(dir / "new.tmp", "new archive");
    test::WriteFileText(dir / "site.zip", "old archive");
    ASSERT_TRUE(ReplaceFile((dir / "new.tmp").string(), (dir / "site.zip").string()));
    EXPECT_EQ(ReadText(dir / "site.zip"), "new archive");
    EXPECT_FALSE(fs::exists(dir / "new.tmp"));
}

TEST(ReplaceFile, AMissingSourceChangesNothing) {
    test::TempDir dir;
    test::WriteFileText(dir / "site.zip", "old archive");
    EXPECT_FALSE(ReplaceFile((dir / "gone.tmp").string(), (dir / "site.zip").string()));
    EXPECT_EQ(ReadText(dir / "site.zip"), "old archive");
}

TEST(ReplaceFile, AnUnwritableTargetFolderKeepsBothFiles) {
    test::TempDir dir;
    const fs::path source = OpenFolder(dir.Path()) / "new.tmp";
    const fs::path folder = dir / "locked";
    fs::create_directory(folder);
    test::WriteFileText(source, "new archive");
    test::WriteFileText(folder / "site.zip", "old archive");
    MakeReadableByAll(source);
    MakeReadableByAll(folder / "site.zip");
    MakeReadOnlyFolder(folder);
    EXPECT_EQ(RunUnprivileged(
                  [&] { return ReplaceFile(source.string(), (folder / "site.zip").string()); }),
              1);
    EXPECT_EQ(ReadText(source), "new archive");
    EXPECT_EQ(ReadText(folder / "site.zip"), "old archive");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST(ReplaceFile, AcrossFileSystemsCopiesCommitsAndRemovesTheSource) {
    test::TempDir dir;
    const fs::path base = OtherFileSystemBase(dir.Path());
    if (base.empty()) {
        GTEST_SKIP() << "no second writable file system on this machine";
    }
    OtherFileSystemDir other(base);
    const fs::path source = other.Path() / "new.tmp";
    std::string content(300000, 'x');
    content += "end";
    test::WriteFileText(source, content);
    fs::permissions(source, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    test::WriteFileText(dir / "site.zip", "old archive");
    ASSERT_TRUE(ReplaceFile(source.string(), (dir / "site.zip").string()));
    EXPECT_EQ(ReadText(dir / "site.zip"), content);
    EXPECT_EQ(fs::status(dir / "site.zip").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_FALSE(fs::exists(source));
    // No temporary copy is left beside the archive.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(ReplaceFile, AcrossFileSystemsIntoAnUnwritableFolderKeepsBothFiles) {
    test::TempDir dir;
    const fs::path base = OtherFileSystemBase(dir.Path());
    if (base.empty()) {
        GTEST_SKIP() << "no second writable file system on this machine";
    }
    OtherFileSystemDir other(base);
    const fs::path source = OpenFolder(other.Path()) / "new.tmp";
    const fs::path folder = dir / "locked";
    fs::create_directory(folder);
    test::WriteFileText(source, "new archive");
    test::WriteFileText(folder / "site.zip", "old archive");
    MakeReadableByAll(source);
    MakeReadableByAll(folder / "site.zip");
    MakeReadOnlyFolder(folder);
    EXPECT_EQ(RunUnprivileged(
                  [&] { return ReplaceFile(source.string(), (folder / "site.zip").string()); }),
              1);
    EXPECT_EQ(ReadText(source), "new archive");
    EXPECT_EQ(ReadText(folder / "site.zip"), "old archive");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace mobrel
