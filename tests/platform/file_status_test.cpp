#include "platform/file_status.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/symbolic_link.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

TEST(FileStatus, ModeTimeAndDosByteOfFilesFoldersAndLinks) {
    test::TempDir temp;
    const fs::path file = temp / "file.txt";
    test::WriteFileText(file, "12345");
    chmod(file.c_str(), 0640);
    const timespec times[2] = {{1000000000, 0}, {1000000001, 0}};
    utimensat(AT_FDCWD, file.c_str(), times, 0);
    fs::create_symlink("file.txt", temp / "link");

    const auto status = FileStatus(file.string());
    ASSERT_TRUE(status);
    EXPECT_EQ(status->Mode, 0100640u);
    EXPECT_EQ(status->Modified, 1000000001);
    EXPECT_EQ(status->Size, 5);
    EXPECT_EQ(status->DosAttributes(), 0x20);

    const auto followed = FileStatus((temp / "link").string());
    ASSERT_TRUE(followed);
    EXPECT_TRUE(followed->IsRegularFile());
    const auto link = FileStatus((temp / "link").string(), false);
    ASSERT_TRUE(link);
    EXPECT_TRUE(link->IsSymbolicLink());
    EXPECT_EQ(link->Size, 8);  // "file.txt"
    EXPECT_EQ(link->DosAttributes(), 0);

    chmod(temp.Path().c_str(), 0555);
    EXPECT_EQ(FileStatus(temp.Path().string())->DosAttributes(), 0x11);
    chmod(temp.Path().c_str(), 0755);
    EXPECT_FALSE(FileStatus((temp / "missing").string()));
}

TEST(FileStatus, LinkTargetsAndDanglingLinks) {
    test::TempDir temp;
    test::WriteFileText(temp / "there.txt", "x");
    const std::string longTarget(1000, 'a');
    fs::create_symlink("there.txt", temp / "good");
    fs::create_symlink(longTarget, temp / "long");
    EXPECT_EQ(LinkTarget((temp / "good").string()), "there.txt");
    EXPECT_EQ(LinkTarget((temp / "long").string()), longTarget);
    EXPECT_FALSE(LinkTarget((temp / "there.txt").string()));
    EXPECT_FALSE(IsDanglingLink((temp / "good").string()));
    EXPECT_TRUE(IsDanglingLink((temp / "long").string()));
    EXPECT_FALSE(IsDanglingLink((temp / "there.txt").string()));
    EXPECT_FALSE(IsDanglingLink((temp / "nothing").string()));
}

}  // namespace
}  // namespace mobrel
