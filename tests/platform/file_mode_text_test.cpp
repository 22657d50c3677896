#include "platform/file_mode_text.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

// The system's own listing is the oracle: every one of the 4096 permission and special bit
// combinations on a file, and on a folder, written as GNU stat writes %A. The mode compared
// is the one the file system kept (it may drop set-group-ID for a group the user is not in).
TEST(FileModeText, WritesEveryModeAsTheSystemListsIt) {
    test::TempDir dir;
    std::map<std::string, uint32_t> modes;
    for (uint32_t bits = 0; bits < 010000; ++bits) {
        for (const bool folder : {false, true}) {
            const std::string name = (folder ? "d" : "f") + std::to_string(bits);
            const fs::path path = dir / name;
            if (folder) {
                fs::create_directory(path);
            } else {
                test::WriteFileText(path, "");
            }
            ASSERT_EQ(chmod(path.c_str(), static_cast<mode_t>(bits)), 0) << name;
            struct stat info {};
            ASSERT_EQ(lstat(path.c_str(), &info), 0) << name;
            modes[name] = info.st_mode;
        }
    }
    const auto listing =
        test::RunCommand("cd " + test::ShellQuote(dir.Path().string()) + " && stat -c '%n %A' *");
    ASSERT_EQ(listing.ExitCode, 0) << listing.Output.substr(0, 500);
    std::istringstream lines(listing.Output);
    std::string name;
    std::string text;
    size_t compared = 0;
    while (lines >> name >> text) {
        ASSERT_TRUE(modes.count(name)) << name;
        EXPECT_EQ(FileModeText(modes[name]), text) << name;
        ++compared;
    }
    EXPECT_EQ(compared, modes.size());
    // Folders were made searchable again so the temporary folder can be removed.
    for (const auto& [entry, mode] : modes) {
        chmod((dir / entry).c_str(), 0700);
    }
}

TEST(FileModeText, NamesEachTypeByItsLetter) {
    EXPECT_EQ(FileModeText(S_IFLNK | 0777), "lrwxrwxrwx");
    EXPECT_EQ(FileModeText(S_IFIFO | 0644), "prw-r--r--");
    EXPECT_EQ(FileModeText(S_IFCHR | 0620), "crw--w----");
    EXPECT_EQ(FileModeText(S_IFBLK | 0660), "brw-rw----");
    EXPECT_EQ(FileModeText(S_IFSOCK | 0755), "srwxr-xr-x");
    EXPECT_EQ(FileModeText(0644), "?rw-r--r--");
}

}  // namespace
}  // namespace mobrel
