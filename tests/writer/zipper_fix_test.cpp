// Repairing damaged archives with FixZip: every complete entry that tests sound is copied
// into the new file, the damaged one stays as it was, and the dialogs ask for the names
// that were not given.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/interactive_services.h"
#include "writer/zipper.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::string CopyTestArchive(const TempDir& temp, const std::string& name) {
    const fs::path target = temp / name;
    fs::copy_file(test::TestDataDir() / name, target);
    return target.string();
}

std::vector<std::string> SortedNames(const std::string& archive) {
    std::vector<std::string> names = test::PythonNames(archive);
    std::sort(names.begin(), names.end());
    return names;
}

// Answers file dialogs with a prepared name, or cancels them.
class TScriptedDialogs : public TInteractiveServices {
  public:
    explicit TScriptedDialogs(std::string answer) : answer_(std::move(answer)) {
        InstallServices(this);
    }
    ~TScriptedDialogs() override { InstallServices(nullptr); }
    bool OpenFileDialog(const TFileDialogRequest& request, std::string& fileName) override {
        Titles.push_back(request.Title);
        fileName = answer_;
        return !answer_.empty();
    }
    std::vector<std::string> Titles;

  private:
    std::string answer_;
};

TEST(ZipperFix, ATruncatedArchiveGivesUpOnlyTheEntryThatWasCut) {
    TempDir temp;
    const std::string damaged = CopyTestArchive(temp, "corrupt-truncated-at-20000--derived.zip");
    const auto before = test::ReadFileBytes(damaged);
    const std::string fixed = (temp / "fixed.zip").string();
    TZipper zipper;
    EXPECT_EQ(zipper.FixZip(damaged, fixed), 6);
    EXPECT_EQ(zipper.ZipName(), fixed);
    EXPECT_EQ(test::ReadFileBytes(damaged), before);
    test::ExpectPeersAccept(fixed);
    EXPECT_EQ(SortedNames(fixed),
              (std::vector<std::string>{"bin/", "bin/binary_20k.bin", "docs/", "docs/empty.txt",
                                        "docs/hamlet_30k.txt", "tiny.txt"}));
    const auto tree = test::ExtractWithUnzip(fixed);
    EXPECT_EQ(tree.at("docs/hamlet_30k.txt").Bytes.size(), 30000u);
}

TEST(ZipperFix, EntriesThatFailTheirTestAreLeftOut) {
    TempDir temp;
    for (const char* name :
         {"corrupt-stored-crc-mismatch--derived.zip", "corrupt-deflate-bitflip--derived.zip"}) {
        SCOPED_TRACE(name);
        const std::string damaged = CopyTestArchive(temp, name);
        const std::string fixed = (temp / (std::string("fixed-") + name)).string();
        TZipper zipper;
        const int total = static_cast<int>(test::PythonNames(damaged).size());
        EXPECT_EQ(zipper.FixZip(damaged, fixed), total - 1);
        const auto names = test::PythonNames(fixed);
        EXPECT_EQ(std::count(names.begin(), names.end(), "docs/hamlet_30k.txt"), 0);
        test::ExpectPeersAccept(fixed);
    }
}

TEST(ZipperFix, NamesNotGivenAreAskedForAndACancelWritesNothing) {
    TempDir temp;
    const std::string damaged = CopyTestArchive(temp, "corrupt-truncated-at-20000--derived.zip");
    const std::string fixed = (temp / "chosen.zip").string();
    {
        TScriptedDialogs dialogs("");
        TZipper zipper;
        EXPECT_EQ(zipper.FixZip(damaged, ""), 0);
        EXPECT_EQ(dialogs.Titles,
                  std::vector<std::string>{"Select a new name for the fixed file."});
        zipper.SetZipName("");
        EXPECT_EQ(zipper.FixZip("", fixed), 0);  // no archive chosen
    }
    EXPECT_EQ(test::FilesIn(temp.Path()).size(), 1u);
    {
        TScriptedDialogs dialogs(fixed);
        TZipper zipper;
        EXPECT_EQ(zipper.FixZip(damaged, ""), 6);
        EXPECT_TRUE(fs::exists(fixed));
    }
    {
        // With the damaged archive already open and rebuilt, it is repaired as it stands.
        TScriptedDialogs dialogs("");
        TZipper zipper;
        zipper.SetIncompleteZipMode(izAssumeBad);
        zipper.SetZipName(damaged);
        zipper.ReadZip();
        ASSERT_TRUE(zipper.DirectoryRebuilt());
        const std::string again = (temp / "again.zip").string();
        EXPECT_EQ(zipper.FixZip("", again), 6);
        EXPECT_TRUE(dialogs.Titles.empty());
    }
}

}  // namespace
}  // namespace mobrel
