#include "platform/dir_search.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

// Every result of a search, as paths relative to root (folders keep their trailing '/').
// Links delivered as themselves end in '@'.
std::vector<std::string> SearchAll(const fs::path& root, const std::string& dir, bool recurse,
                                   const std::string& spec, TLinkMode links = TLinkMode::Follow) {
    TDirSearch search(dir, recurse, spec, links);
    std::vector<std::string> found;
    TSearchRec rec;
    std::string name;
    const std::string prefix = root.string() + "/";
    while (search.NextFile(rec, name)) {
        EXPECT_EQ(name.compare(0, prefix.size(), prefix), 0) << name;
        found.push_back(name.substr(prefix.size()) + (rec.Link ? "@" : ""));
    }
    EXPECT_TRUE(name.empty());
    EXPECT_FALSE(search.NextFile(rec, name)) << "a finished search stays finished";
    return found;
}

void MakeFile(const fs::path& file, const std::string& text = "x") {
    fs::create_directories(file.parent_path());
    test::WriteFileText(file, text);
}

class DirSearchTree : public ::testing::Test {
  protected:
    void SetUp() override {
        MakeFile(Root() / "a.txt", "hello");
        MakeFile(Root() / "B.TXT");
        MakeFile(Root() / "readme");
        MakeFile(Root() / ".profile.txt");
        MakeFile(Root() / "sub" / "c.txt");
        MakeFile(Root() / "sub" / "deeper" / "d.txt");
        MakeFile(Root() / ".cache" / "e.txt");
        fs::create_directories(Root() / "sub" / ".git" / "objects");
    }
    fs::path Root() const { return tmp_ / "root"; }
    std::string RootDir() const { return Root().string(); }

    test::TempDir tmp_;
};

TEST_F(DirSearchTree, WithoutRecursionOnlyTheFilesOfTheFolder) {
    EXPECT_THAT(SearchAll(Root(), RootDir(), false, "*.txt"),
                UnorderedElementsAre("a.txt", "B.TXT", ".profile.txt"));
    EXPECT_THAT(SearchAll(Root(), RootDir() + "/", false, "*"),
                UnorderedElementsAre("a.txt", "B.TXT", "readme", ".profile.txt"));
}

TEST_F(DirSearchTree, NamesWithoutExtensionMatchStarDotStarAndTheirOwnName) {
    EXPECT_THAT(SearchAll(Root(), RootDir(), false, "*.*"),
                UnorderedElementsAre("a.txt", "B.TXT", "readme", ".profile.txt"));
    EXPECT_THAT(SearchAll(Root(), RootDir(), false, "README"), ElementsAre("readme"));
    EXPECT_THAT(SearchAll(Root(), RootDir(), false, "*."), ElementsAre("readme"));
}

TEST_F(DirSearchTree, RecursionDeliversFoldersBeforeTheirContentsAndSkipsDotFolders) {
    const std::vector<std::string> found = SearchAll(Root(), RootDir(), true, "*.txt");
    EXPECT_THAT(found, UnorderedElementsAre("a.txt", "B.TXT", ".profile.txt", "sub/", "sub/c.txt",
                                            "sub/deeper/", "sub/deeper/d.txt"));
    auto at = [&](const std::string& item) {
        return std::find(found.begin(), found.end(), item) - found.begin();
    };
    EXPECT_LT(at("sub/"), at("sub/c.txt"));
    EXPECT_LT(at("sub/"), at("sub/deeper/"));
    EXPECT_LT(at("sub/deeper/"), at("sub/deeper/d.txt"));
}

TEST_F(DirSearchTree, RecordCarriesSizeAndAttributes) {
    fs::permissions(Root() / "B.TXT",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    TDirSearch search(RootDir(), true, "*.txt");
    TSearchRec rec;
    std::string name;
    int checked = 0;
    while (search.NextFile(rec, name)) {
        if (name == RootDir() + "/a.txt") {
            EXPECT_EQ(rec.Size, 5);
            EXPECT_EQ(rec.Attr, 0x20);
            EXPECT_FALSE(rec.IsDirectory());
            struct stat st {};
            ASSERT_EQ(stat(name.c_str(), &st), 0);
            EXPECT_EQ(rec.Time, static_cast<TDateTime>(st.st_mtime));
            ++checked;
        } else if (name == RootDir() + "/B.TXT") {
            EXPECT_EQ(rec.Attr, 0x21);
            ++checked;
        } else if (name == RootDir() + "/sub/") {
            EXPECT_EQ(rec.Name, "sub");
            EXPECT_EQ(rec.Attr, 0x10);
            EXPECT_TRUE(rec.IsDirectory());
            ++checked;
        }
    }
    EXPECT_EQ(checked, 3);
}

TEST_F(DirSearchTree, MissingStartFolderYieldsNothing) {
    EXPECT_THAT(SearchAll(Root(), RootDir() + "/nowhere", true, "*"), IsEmpty());
    EXPECT_THAT(SearchAll(Root(), RootDir() + "/a.txt", true, "*"), IsEmpty());
}

TEST(DirSearch, WildcardFolderComponentsAreMatchedLevelByLevel) {
    test::TempDir tmp;
    const fs::path root = tmp / "root";
    MakeFile(root / "data" / "2023" / "logs" / "x.log");
    MakeFile(root / "data" / "2024" / "logs" / "y.log");
    MakeFile(root / "data" / "2024" / "logs" / "old" / "z.log");
    MakeFile(root / "data" / "2024" / "other" / "w.log");
    MakeFile(root / "data" / "2024" / "catalogs" / "v.log");
    MakeFile(root / "data" / "1999" / "logs" / "q.log");
    MakeFile(root / "data" / "2025");  // a file whose name matches the folder pattern
    MakeFile(root / "data" / "x" / "2024" / "logs" / "deep.log");
    const std::string dir = root.string() + "/data/20*/logs";

    EXPECT_THAT(SearchAll(root, dir, false, "*"),
                UnorderedElementsAre("data/2023/logs/x.log", "data/2024/logs/y.log"));
    EXPECT_THAT(SearchAll(root, dir + "/", true, "*"),
                UnorderedElementsAre("data/2023/logs/x.log", "data/2024/logs/y.log",
                                     "data/2024/logs/old/", "data/2024/logs/old/z.log"));
    EXPECT_THAT(SearchAll(root, root.string() + "/data/*/*/", false, "?.log"),
                UnorderedElementsAre("data/2023/logs/x.log", "data/2024/logs/y.log",
                                     "data/2024/other/w.log", "data/2024/catalogs/v.log",
                                     "data/1999/logs/q.log"));
    EXPECT_THAT(SearchAll(root, root.string() + "/data/<0-1>*/logs/", false, "*"),
                ElementsAre("data/1999/logs/q.log"));
}

// 25 folders nested in one another, each holding one file: the search goes 20 levels
// below its start and no further.
TEST(DirSearch, NestingDeeperThanTwentyLevelsIsPassedOver) {
    test::TempDir tmp;
    const fs::path root = tmp / "root";
    fs::path folder = root;
    std::string relative;
    std::vector<std::string> expected;
    for (int depth = 0; depth <= 25; ++depth) {
        MakeFile(folder / "f.txt");
        if (depth <= 20) {
            expected.push_back(relative + "f.txt");
            if (depth > 0) {
                expected.push_back(relative);
            }
        }
        const std::string name = "d" + std::to_string(depth + 1);
        folder /= name;
        relative += name + "/";
    }
    EXPECT_THAT(SearchAll(root, root.string(), true, "*"),
                ::testing::UnorderedElementsAreArray(expected));
}

TEST(DirSearch, LinksAreFollowedButNeverBackUpTheTreeDanglingOnesShowAndSpecialFilesAreSkipped) {
    test::TempDir tmp;
    const fs::path root = tmp / "root";
    MakeFile(root / "a.txt");
    MakeFile(tmp / "outside" / "o.txt");
    fs::create_directories(root / "sub");
    fs::create_directory_symlink("..", root / "sub" / "up");
    fs::create_directory_symlink(tmp / "outside", root / "linked");
    fs::create_symlink(root / "a.txt", root / "alias.txt");
    fs::create_symlink(root / "missing.txt", root / "dangling.txt");
    ASSERT_EQ(mkfifo((root / "pipe.txt").c_str(), 0600), 0);

    EXPECT_THAT(SearchAll(root, root.string(), true, "*"),
                UnorderedElementsAre("a.txt", "alias.txt", "sub/", "linked/", "linked/o.txt",
                                     "dangling.txt@"));
    // Kept as links, none is entered or taken for its target.
    EXPECT_THAT(
        SearchAll(root, root.string(), true, "*", TLinkMode::Keep),
        UnorderedElementsAre("a.txt", "alias.txt@", "sub/", "sub/up@", "linked@", "dangling.txt@"));
}

}  // namespace
}  // namespace mobrel
