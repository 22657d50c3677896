#include "platform/file_attributes.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

TEST(FileAttributes, DerivedFromTypeAndOwnerWritePermission) {
    test::TempDir dir;
    const std::string file = (dir / "a.txt").string();
    test::WriteFileText(file, "x");
    EXPECT_EQ(FileDosAttributes(file), faArchive);
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // Read from the mode bits, not from access(): the tests may run as root, who can write
    // any file.
    EXPECT_EQ(FileDosAttributes(file), faArchive | faReadOnly);
    EXPECT_EQ(FileDosAttributes(dir.Path().string()), faDirectory);
    EXPECT_FALSE(FileDosAttributes((dir / "missing").string()));
}

TEST(FileAttributes, OnlyTheReadOnlyBitChangesAFile) {
    test::TempDir dir;
    const std::string file = (dir / "a.txt").string();
    test::WriteFileText(file, "x");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_write |
                              fs::perms::others_read);
    ASSERT_TRUE(ApplyDosAttributes(file, faArchive | faHidden | faSysFile));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write |
                                                  fs::perms::group_write | fs::perms::others_read);
    ASSERT_TRUE(ApplyDosAttributes(file, faArchive | faReadOnly));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::others_read);
    EXPECT_EQ(FileDosAttributes(file), faArchive | faReadOnly);
    EXPECT_FALSE(ApplyDosAttributes((dir / "missing").string(), faReadOnly));
}

}  // namespace
}  // namespace mobrel
