// Choosing files: wildcard specifications with their recursion switches, the exclusion
// list, folder entries met while recursing, the archive never zipping itself; the coupled
// path settings, Assign, and the order in which one Zip run fires its events.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/engine_errors.h"
#include "writer/zipper.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct Tree {
    TempDir Dir;
    Tree() {
        test::MakeFile(Dir.Path(), "web/index.html", "<html>\n");
        test::MakeFile(Dir.Path(), "web/style.css", "body {}\n");
        test::MakeFile(Dir.Path(), "web/img/logo.png", "png");
        test::MakeFile(Dir.Path(), "web/img/old/logo.png", "old png");
        test::MakeFile(Dir.Path(), "web/Thumbs.db", "junk");
    }
    std::string Web() const { return (Dir / "web").string() + "/"; }
};

std::vector<std::string> SortedNames(const std::string& archive) {
    std::vector<std::string> names = test::PythonNames(archive);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ZipWith(const Tree& tree, const std::vector<std::string>& files,
                                 bool recurse, void (*configure)(TZipper&) = nullptr) {
    const std::string archive = (tree.Dir / "out.zip").string();
    fs::remove(archive);
    TZipper zipper;
    zipper.SetZipName(archive);
    zipper.SetRelativePaths(true);
    zipper.SetRootDir(tree.Web());
    zipper.SetRecurse(recurse);
    if (configure != nullptr) {
        configure(zipper);
    }
    zipper.FilesList() = files;
    zipper.Zip();
    return fs::exists(archive) ? SortedNames(archive) : std::vector<std::string>{};
}

TEST(ZipperChooseFiles, RecursionFollowsRecurseUnlessALineSwitchesIt) {
    Tree tree;
    const std::vector<std::string> top = {"Thumbs.db", "index.html", "style.css"};
    const std::vector<std::string> all = {"Thumbs.db", "img/logo.png", "img/old/logo.png",
                                          "index.html", "style.css"};
    EXPECT_EQ(ZipWith(tree, {"*.*"}, false), top);
    EXPECT_EQ(ZipWith(tree, {"*"}, true), all);
    EXPECT_EQ(ZipWith(tree, {"|" + tree.Web() + "*"}, true), top);
    EXPECT_EQ(ZipWith(tree, {">" + tree.Web() + "*"}, false), all);
    EXPECT_EQ(ZipWith(tree, {">" + tree.Web() + "img/*.png"}, false),
              (std::vector<std::string>{"img/logo.png", "img/old/logo.png"}));
    // A folder that does not exist yields nothing.
    EXPECT_EQ(ZipWith(tree, {tree.Web() + "absent/*", "index.html"}, true),
              std::vector<std::string>{"index.html"});
}

TEST(ZipperChooseFiles, ExcludeListMatchesNamesOrWholePaths) {
    Tree tree;
    EXPECT_EQ(ZipWith(tree, {"*", "Thumbs.db"}, true,
                      [](TZipper& z) {
                          z.SetExcludeList({"thumbs.DB", "*/old/*"});
                      }),
              (std::vector<std::string>{"img/logo.png", "index.html", "style.css"}));
}

TEST(ZipperChooseFiles, FolderEntriesWhileRecursingOnlyWhenAsked) {
    Tree tree;
    std::vector<std::string> recursed;
    const std::string archive = (tree.Dir / "dirs.zip").string();
    TZipper zipper;
    zipper.SetZipName(archive);
    zipper.SetRelativePaths(true);
    zipper.SetRootDir(tree.Web());
    zipper.SetAddDirEntriesOnRecurse(true);
    zipper.OnRecursingFile = [&](TZipper&, const std::string& name) { recursed.push_back(name); };
    zipper.FilesList() = {"*.png"};
    EXPECT_EQ(zipper.Zip(), 4);
    EXPECT_EQ(SortedNames(archive),
              (std::vector<std::string>{"img/", "img/logo.png", "img/old/", "img/old/logo.png"}));
    EXPECT_EQ(recursed.size(), 4u);
    test::ExpectPeersAccept(archive);
}

TEST(ZipperChooseFiles, TheArchiveIsNeverZippedByAWildcard) {
    Tree tree;
    const std::string archive = tree.Web() + "site.zip";
    TZipper zipper;
    zipper.SetZipName(archive);
    zipper.SetRootDir(tree.Web());
    zipper.FilesList() = {"*.html"};
    EXPECT_EQ(zipper.Zip(), 1);
    zipper.FilesList() = {"*"};
    EXPECT_EQ(zipper.Zip(), 2);  // style.css and Thumbs.db; index.html is current
    EXPECT_EQ(SortedNames(archive),
              (std::vector<std::string>{"Thumbs.db", "index.html", "style.css"}));
    test::ExpectPeersAccept(archive);
}

TEST(ZipperChooseFiles, LinesThatFindNoFileAreReportedAndNothingIsWrittenForThem) {
    Tree tree;
    const std::string archive = (tree.Dir / "out.zip").string();
    std::vector<std::string> unmatched;
    auto run = [&](const std::vector<std::string>& files) {
        unmatched.clear();
        TZipper zipper;
        zipper.SetZipName(archive);
        zipper.SetRootDir(tree.Web());
        zipper.SetExcludeList({"*.db"});
        zipper.OnNoFileMatches = [&](TZipper&, const std::string& spec) {
            unmatched.push_back(spec);
        };
        zipper.FilesList() = files;
        return zipper.Zip();
    };
    // Found and then excluded is not "no file": the user chose to leave it out.
    EXPECT_EQ(run({"missing.txt", "*.none", "|nowhere/*", "Thumbs.db"}), 0);
    EXPECT_EQ(unmatched, (std::vector<std::string>{"missing.txt", "*.none", "|nowhere/*"}));
    EXPECT_FALSE(fs::exists(archive));

    EXPECT_EQ(run({"index.html", "*.none"}), 1);
    EXPECT_EQ(unmatched, std::vector<std::string>{"*.none"});
    const std::vector<uint8_t> before = test::ReadFileBytes(archive);
    test::SetFileTime(archive, 1000000000);
    const fs::file_time_type stamped = fs::last_write_time(archive);
    // An existing archive is not rewritten when there is nothing to add.
    EXPECT_EQ(run({"missing.txt"}), 0);
    EXPECT_EQ(test::ReadFileBytes(archive), before);
    EXPECT_EQ(fs::last_write_time(archive), stamped);
}

TEST(ZipperSettings, DefaultsCoupledSettersAndAssign) {
    TZipper zipper;
    EXPECT_EQ(zipper.PackLevel(), 6);
    EXPECT_EQ(zipper.ZipAction(), zaUpdate);
    EXPECT_FALSE(zipper.StorePaths() || zipper.Recurse() || zipper.Dispose());
    EXPECT_EQ(zipper.MultiZipInfo().BlockSize, 1457600);
    zipper.SetRelativePaths(true);
    EXPECT_TRUE(zipper.StorePaths() && zipper.Recurse());
    zipper.SetStoreVolumes(true);
    zipper.SetStorePaths(false);
    EXPECT_FALSE(zipper.RelativePaths() || zipper.StoreVolumes());
    zipper.SetStoreVolumes(true);
    EXPECT_TRUE(zipper.StorePaths());

    TMultiZipInfo info;
    info.MultiMode = mmBlocks;
    info.CheckDiskLabels = false;
    zipper.SetMultiZipInfo(info);
    EXPECT_EQ(zipper.MultiMode(), mmBlocks);
    EXPECT_FALSE(zipper.CheckDiskLabels());
    zipper.SetMultiMode(mmNone);
    EXPECT_EQ(zipper.MultiZipInfo().MultiMode, mmNone);

    zipper.SetPackLevel(9);
    zipper.SetExcludeList({"*.tmp"});
    zipper.OnZipComplete = [](TZipper&, int) {};
    zipper.OnRecursingFile = [](TZipper&, const std::string&) {};
    TZipper copy;
    copy.Assign(zipper);
    EXPECT_EQ(copy.PackLevel(), 9);
    EXPECT_EQ(copy.ExcludeList(), std::vector<std::string>{"*.tmp"});
    EXPECT_TRUE(copy.StoreVolumes());
    EXPECT_FALSE(copy.CheckDiskLabels());
    EXPECT_TRUE(copy.OnZipComplete);
    EXPECT_FALSE(copy.OnRecursingFile);  // not copied
}

TEST(ZipperSettings, MultiDiskModeRefusesToRewriteAnExistingArchive) {
    Tree tree;
    const std::string archive = (tree.Dir / "set.zip").string();
    TZipper zipper;
    zipper.SetZipName(archive);
    zipper.FilesList() = {tree.Web() + "index.html"};
    EXPECT_EQ(zipper.Zip(), 1);
    const auto before = test::ReadFileBytes(archive);
    zipper.SetMultiMode(mmBlocks);
    zipper.FilesList() = {"index.html"};
    EXPECT_THROW(zipper.DeleteEntries(), EEngineError);
    EXPECT_TRUE(zipper.FilesList().empty());
    EXPECT_EQ(test::ReadFileBytes(archive), before);
}

TEST(ZipperEvents, OneZipRunFiresItsEventsInOrder) {
    Tree tree;
    const std::string archive = (tree.Dir / "events.zip").string();
    {
        TZipper first;
        first.SetZipName(archive);
        first.FilesList() = {tree.Web() + "style.css"};
        ASSERT_EQ(first.Zip(), 1);
    }
    std::vector<std::string> log;
    auto note = [&](const std::string& event) {
        if (log.empty() || log.back() != event) {
            log.push_back(event);  // progress events come in runs: one line per run
        }
    };
    TZipper zipper;
    zipper.SetZipName(archive);
    zipper.SetZipAction(zaReplace);
    zipper.SetDispose(true);
    zipper.OnNoSuchFile = [&](TZipper&, const std::string&) { note("NoSuchFile"); };
    zipper.OnRecursingFile = [&](TZipper&, const std::string&) { note("RecursingFile"); };
    zipper.OnUpdate = [&](TZipper&, TUpdateAction, int) { note("Update"); };
    zipper.OnStartZipInfo = [&](TZipper&, int files, int64_t, TEndCentral&, bool&) {
        note("StartZipInfo " + std::to_string(files));
    };
    zipper.OnStartZip = [&](TZipper&, const std::string&, TZipHeaderInfo&, bool&) {
        note("StartZip");
    };
    zipper.OnFilePercentDone = [&](TUnZipper&, int) { note("FilePercentDone"); };
    zipper.OnTotalPercentDone = [&](TUnZipper&, int) { note("TotalPercentDone"); };
    zipper.OnEndZip = [&](TZipper&, const std::string&, int64_t, int64_t, int64_t) {
        note("EndZip");
    };
    zipper.OnSkippingFile = [&](TUnZipper&, TSkipReason, const std::string&, int, bool&) {
        note("SkippingFile");
    };
    zipper.OnDisposeFile = [&](TZipper&, const std::string&, bool& skip) {
        skip = true;
        note("DisposeFile");
    };
    zipper.OnZipComplete = [&](TZipper&, int count) {
        note("ZipComplete " + std::to_string(count));
    };
    zipper.FilesList() = {tree.Web() + "missing.txt", tree.Web() + "style.css",
                          tree.Web() + "*.html", tree.Web() + "index.html"};
    EXPECT_EQ(zipper.Zip(), 2);
    EXPECT_EQ(log,
              (std::vector<std::string>{
                  "NoSuchFile", "RecursingFile", "Update", "StartZip", "FilePercentDone",
                  "TotalPercentDone", "EndZip", "StartZipInfo 2", "StartZip", "FilePercentDone",
                  "TotalPercentDone", "EndZip", "SkippingFile", "DisposeFile", "ZipComplete 2"}));
}

}  // namespace
}  // namespace mobrel
