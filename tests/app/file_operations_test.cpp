#include "file_operations.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/engine_errors.h"
#include "platform/file_helpers.h"
#include "scripted_services.h"
#include "temporary_trash.h"

namespace {

namespace fs = std::filesystem;
using mobrel::TMsgAnswer;

// A mount point other than the root: the first folder in the mount table below "/".
std::string SomeMountPoint() {
    std::ifstream mounts("/proc/self/mounts");
    std::string device, point, rest;
    while (mounts >> device >> point && std::getline(mounts, rest)) {
        if (point != "/" && fs::is_directory(point)) {
            return point;
        }
    }
    return {};
}

TEST(RecycleFile, SendsTheFileToTheTrash) {
    TTemporaryTrash trash;
    TScriptedServices services;
    const fs::path file = trash.Scratch() / "page.htm";
    mobrel::test::WriteFileText(file, "<p>");
    EXPECT_TRUE(RecycleFile(file.string()));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(trash.Holds("page.htm"));
    EXPECT_TRUE(services.Messages.empty());
}

TEST(RecycleFile, RefusesAMissingFileOrAFolder) {
    TTemporaryTrash trash;
    TScriptedServices services;
    EXPECT_FALSE(RecycleFile((trash.Scratch() / "gone.txt").string()));
    EXPECT_FALSE(RecycleFile(trash.Scratch().string()));
    EXPECT_EQ(services.Messages, (std::vector<std::string>{"Please enter a valid file.",
                                                           "Please enter a valid file."}));
    EXPECT_TRUE(fs::exists(trash.Scratch()));
}

TEST(ConfirmAndRecycleFile, AsksThenReportsWhatWentToTheTrash) {
    TTemporaryTrash trash;
    TScriptedServices services;
    const std::string file = (trash.Scratch() / "a.txt").string();
    mobrel::test::WriteFileText(file, "a");
    services.Answers = {TMsgAnswer::Yes};
    EXPECT_TRUE(ConfirmAndRecycleFile(file));
    EXPECT_EQ(services.Messages,
              (std::vector<std::string>{"Send the file: " + file + "\n to the recycle bin?",
                                        "Successfully sent: \n" + file + " to recycle bin."}));
    EXPECT_TRUE(trash.Holds("a.txt"));
    EXPECT_EQ(services.BusyDepth, 0);
}

TEST(ConfirmAndRecycleFile, NoKeepsTheFileAndNothingSelectedIsRefused) {
    TTemporaryTrash trash;
    TScriptedServices services;
    const std::string file = (trash.Scratch() / "a.txt").string();
    mobrel::test::WriteFileText(file, "a");
    services.Answers = {TMsgAnswer::No};
    EXPECT_FALSE(ConfirmAndRecycleFile(file));
    EXPECT_FALSE(ConfirmAndRecycleFile(""));
    EXPECT_EQ(services.Messages.at(1), "Delete cancelled");
    EXPECT_EQ(services.Messages.at(2), "Please select a file first.");
    EXPECT_TRUE(fs::exists(file));
}

TEST(ConfirmAndRecycleFolder, SendsTheFolderWithItsContentsToTheTrash) {
    TTemporaryTrash trash;
    TScriptedServices services;
    const fs::path folder = trash.Scratch() / "site";
    fs::create_directories(folder / "img");
    mobrel::test::WriteFileText(folder / "img" / "a.gif", "GIF");
    services.Answers = {TMsgAnswer::Yes};
    EXPECT_TRUE(ConfirmAndRecycleFolder(folder.string()));
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(trash.Holds("site"));
    EXPECT_EQ(services.Messages,
              (std::vector<std::string>{"Send directory: " + folder.string() + " to recycle bin?",
                                        "Successfully recycled: " + folder.string()}));
}

TEST(ConfirmAndRecycleFolder, RefusesTheRootAndMountPointsWithoutAsking) {
    TScriptedServices services;
    const std::string mountPoint = SomeMountPoint();
    ASSERT_FALSE(mountPoint.empty());
    services.Answers = {TMsgAnswer::Yes, TMsgAnswer::Yes};
    EXPECT_FALSE(ConfirmAndRecycleFolder("/"));
    EXPECT_FALSE(ConfirmAndRecycleFolder(mountPoint));
    EXPECT_FALSE(ConfirmAndRecycleFolder(mountPoint + "/"));
    EXPECT_EQ(services.Messages,
              std::vector<std::string>(3, "You cannot delete a root directory or drive."));
    EXPECT_TRUE(fs::exists(mountPoint));
}

TEST(ConfirmAndRecycleFolder, MissingFolderAndNoAnswerChangeNothing) {
    TTemporaryTrash trash;
    TScriptedServices services;
    const fs::path folder = trash.Scratch() / "keep";
    fs::create_directories(folder);
    mobrel::test::WriteFileText(trash.Scratch() / "file.txt", "f");
    EXPECT_FALSE(ConfirmAndRecycleFolder((trash.Scratch() / "missing").string()));
    EXPECT_FALSE(ConfirmAndRecycleFolder((trash.Scratch() / "file.txt").string()));
    EXPECT_FALSE(ConfirmAndRecycleFolder(folder.string()));
    EXPECT_EQ(services.Messages,
              (std::vector<std::string>{"Please select a file or directory to delete",
                                        "Please select a file or directory to delete",
                                        "Send directory: " + folder.string() + " to recycle bin?",
                                        "You cancelled the delete."}));
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST(ParentFolderOf, TakesTheFolderAboveWithItsSeparator) {
    EXPECT_EQ(ParentFolderOf("/a/b/"), "/a/");
    EXPECT_EQ(ParentFolderOf("/a/b"), "/a/");
    EXPECT_EQ(ParentFolderOf("/a"), "/");
    EXPECT_EQ(ParentFolderOf("/a/"), "/");
    EXPECT_EQ(ParentFolderOf("/"), "");
    EXPECT_EQ(ParentFolderOf("abc"), "");
    EXPECT_EQ(ParentFolderOf(""), "");
}

TEST(CreateSingleFolder, CreatesOneLevelOnly) {
    mobrel::test::TempDir dir;
    const std::string one = (dir / "one").string();
    EXPECT_TRUE(CreateSingleFolder(one));
    EXPECT_TRUE(CreateSingleFolder(one + "/"));  // already there
    EXPECT_TRUE(mobrel::DirectoryExists(one));
    const std::string twoLevels = (dir / "missing" / "two").string();
    EXPECT_FALSE(CreateSingleFolder(twoLevels));
    EXPECT_FALSE(fs::exists(dir / "missing"));
    try {
        CreateSingleFolderOrFail(twoLevels);
        FAIL() << "a folder below a missing parent was created";
    } catch (const mobrel::EFileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create " + twoLevels);
    }
    mobrel::test::WriteFileText(dir / "file", "x");
    EXPECT_FALSE(CreateSingleFolder((dir / "file").string()));
}

}  // namespace
