#include "platform/host_path.h"

#include <gtest/gtest.h>

namespace mobrel {
namespace {

TEST(HostPath, SplitsFolderNameAndExtension) {
    EXPECT_EQ(FolderPart("/home/ann/site.zip"), "/home/ann/");
    EXPECT_EQ(NamePart("/home/ann/site.zip"), "site.zip");
    EXPECT_EQ(FolderPart("site.zip"), "");
    EXPECT_EQ(NamePart("/home/ann/"), "");
    EXPECT_EQ(ExtensionPart("/home/ann/site.tar.gz"), ".gz");
    // A dot in a folder name is no extension of the file.
    EXPECT_EQ(ExtensionPart("/home/ann.b/readme"), "");
    // A leading dot hides a file; it does not start an extension.
    EXPECT_EQ(ExtensionPart("/home/ann/.profile"), "");
    EXPECT_EQ(ExtensionPart("/home/ann/.config.zip"), ".zip");
}

TEST(HostPath, ChangeFileExtReplacesAddsOrRemoves) {
    EXPECT_EQ(ChangeFileExt("/a/site.exe", ".zip"), "/a/site.zip");
    EXPECT_EQ(ChangeFileExt("/a.d/site", ".zip"), "/a.d/site.zip");
    EXPECT_EQ(ChangeFileExt("/a/.profile", ".zip"), "/a/.profile.zip");
    EXPECT_EQ(ChangeFileExt("/a/site.zip", ""), "/a/site");
}

TEST(HostPath, TrailingSeparatorKeepsRootAndEmptyPathMeaningful) {
    EXPECT_EQ(IncludeTrailingSeparator("/data"), "/data/");
    EXPECT_EQ(IncludeTrailingSeparator("/data/"), "/data/");
    EXPECT_EQ(IncludeTrailingSeparator(""), "");  // current folder, not the root
    EXPECT_EQ(ExcludeTrailingSeparator("/data//"), "/data");
    EXPECT_EQ(ExcludeTrailingSeparator("/"), "/");
    EXPECT_EQ(ExcludeTrailingSeparator("//"), "/");
    EXPECT_EQ(JoinPath("/data", "a.txt"), "/data/a.txt");
    EXPECT_EQ(JoinPath("/data/", "/a.txt"), "/data/a.txt");
    EXPECT_EQ(JoinPath("", "a.txt"), "a.txt");
}

TEST(HostPath, DrivePartIsTheNetworkShareOnly) {
    EXPECT_EQ(DrivePart("/home/ann/a.zip"), "");
    EXPECT_EQ(DrivePart("relative/a.zip"), "");
    EXPECT_EQ(DrivePart("//server/share/dir/a.zip"), "//server/share");
    EXPECT_EQ(DrivePart("//server/share"), "//server/share");
    EXPECT_EQ(DrivePart("//server"), "//server");
    EXPECT_EQ(DrivePart("///not/a/share"), "");
}

TEST(HostPath, RootFoldersAreTheRootMountPointsAndShares) {
    EXPECT_TRUE(IsRootFolder("/"));
    EXPECT_TRUE(IsRootFolder("//server/share/"));
    EXPECT_FALSE(IsRootFolder("//server/share/dir"));
    EXPECT_TRUE(IsRootFolder("/proc"));  // a mount point of its own
    EXPECT_FALSE(IsRootFolder("/usr/bin"));
    EXPECT_FALSE(IsRootFolder(""));
    EXPECT_FALSE(IsRootFolder("/no/such/folder"));
}

TEST(HostPath, EntryNamesBecomeRelativePathsThatStayInsideTheOutputFolder) {
    EXPECT_EQ(EntryNameToHostPath("site\\css\\main.css"), "site/css/main.css");
    EXPECT_EQ(EntryNameToHostPath("site\\css\\"), "site/css/");
    EXPECT_EQ(EntryNameToHostPath("unix/style/name"), "unix/style/name");
    // Names that would climb out of the output folder or start at the root.
    EXPECT_EQ(EntryNameToHostPath("..\\..\\etc\\passwd"), "etc/passwd");
    EXPECT_EQ(EntryNameToHostPath("\\etc\\passwd"), "etc/passwd");
    EXPECT_EQ(EntryNameToHostPath("/etc/./x/../passwd"), "etc/x/passwd");
    EXPECT_EQ(EntryNameToHostPath("..\\"), "");
    EXPECT_EQ(EntryNameToHostPath(""), "");
    // Dots inside a name are ordinary characters.
    EXPECT_EQ(EntryNameToHostPath("a..b\\...\\c"), "a..b/.../c");
}

TEST(HostPath, HostPathsBecomeBackslashEntryNames) {
    EXPECT_EQ(HostPathToEntryName("site/css/main.css"), "site\\css\\main.css");
    EXPECT_EQ(HostPathToEntryName("site/css/"), "site\\css\\");
    EXPECT_EQ(EntryNameToHostPath(HostPathToEntryName("a/b/c.txt")), "a/b/c.txt");
}

}  // namespace
}  // namespace mobrel
