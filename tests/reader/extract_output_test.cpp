// Where extracted files go and what happens to files already there: the output folder of a
// stored path (RecreateDirs, RootDir, absolute folders and drive prefixes), hostile names
// that try to leave the destination, the five overwrite modes, read-only files, and the
// date and attributes of the files written.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "format/patched_archive.h"
#include "platform/dos_date_time.h"
#include "platform/interactive_services.h"
#include "reader/output_path.h"
#include "reader/un_zipper.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::EntryPatch;

TEST(OutputDirFor, StoredFoldersLandUnderTheDestinationWhateverTheyClaim) {
    EXPECT_EQ(OutputDirFor("/dest", "", false, "deep\\folder\\"), "/dest/");
    EXPECT_EQ(OutputDirFor("/dest", "", true, ""), "/dest/");
    EXPECT_EQ(OutputDirFor("/dest", "", true, "a\\b\\"), "/dest/a/b/");
    EXPECT_EQ(OutputDirFor("/dest", "sub/", true, "SUB\\x\\"), "/dest/x/");
    EXPECT_EQ(OutputDirFor("/dest", "sub\\", true, "subway\\x\\"), "/dest/subway/x/");
    EXPECT_EQ(OutputDirFor("/dest", "", true, "C:\\data\\"), "/dest/data/");
    EXPECT_EQ(OutputDirFor("/dest", "", true, "\\etc\\"), "/dest/etc/");
    EXPECT_EQ(OutputDirFor("/dest", "", true, "..\\..\\up\\"), "/dest/up/");
    EXPECT_EQ(OutputDirFor("/dest", "", true, "a\\.\\..\\..\\b\\"), "/dest/a/b/");
    EXPECT_EQ(OutputDirFor("/dest", "", true, std::string_view("ctl\x01\\nul\0x\\", 11)),
              "/dest/ctl_/nul_x/");
    EXPECT_EQ(OutputDirFor("/", "", true, "x\\"), "/x/");
    // Without a destination everything is relative to the current folder, never the root.
    EXPECT_EQ(OutputDirFor("", "", true, "C:\\data\\"), "data/");
    EXPECT_EQ(OutputDirFor("", "", true, "\\etc\\"), "etc/");
    EXPECT_EQ(OutputDirFor("", "", false, "x\\"), "");
    EXPECT_EQ(OutputFileFor("/dest/", "name.txt"), "/dest/name.txt");
    EXPECT_EQ(OutputFileFor("/dest/", ".."), "/dest/");
    EXPECT_EQ(OutputFileFor("", "a\x7f"), "a_");
}

// Every file below root, relative to it.
std::vector<std::string> FilesBelow(const fs::path& root) {
    std::vector<std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        if (!item.is_directory()) {
            files.push_back(item.path().lexically_relative(root).string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

class HostileNames : public testing::Test {
  protected:
    // The archive sits in a/b/, the destination in a/b/out/: a name that climbs even one
    // level out of the destination shows up outside out/.
    int Extract(const fs::path& archive, const std::string& destDir) {
        TUnZipper zipper;
        zipper.SetZipName(archive.string());
        zipper.SetDestDir(destDir);
        zipper.SetRecreateDirs(true);
        zipper.SetDoAll(true);
        zipper.SetOverwriteMode(TUZOverwriteMode::Always);
        return zipper.UnZip();
    }
    fs::path Base() const { return temp / "a" / "b"; }
    test::TempDir temp;
};

TEST_F(HostileNames, ClimbingAbsoluteAndDriveNamesStayInsideTheDestination) {
    test::ZipBuilder builder;
    for (const char* name : {"../../evil1", "/etc/x", "C:\\x2", "..\\..\\x3", "a/../../../x4",
                             "//server/share/x5", "ok/./../x6", "..", "ctl\x01/x7"}) {
        builder.Add({name, name});
    }
    builder.Add({std::string("nul\0/../../x8", 13), "nul"});
    fs::create_directories(Base());
    test::WriteFileBytes(Base() / "h.zip", builder.Build());
    Extract(Base() / "h.zip", (Base() / "out").string());
    EXPECT_EQ(
        FilesBelow(temp.Path()),
        (std::vector<std::string>{"a/b/h.zip", "a/b/out/a/x4", "a/b/out/ctl_/x7", "a/b/out/etc/x",
                                  "a/b/out/evil1", "a/b/out/nul_/x8", "a/b/out/ok/x6",
                                  "a/b/out/server/share/x5", "a/b/out/x2", "a/b/out/x3"}));
    EXPECT_EQ(test::ReadFileBytes(Base() / "out" / "etc" / "x"),
              (Bytes{'/', 'e', 't', 'c', '/', 'x'}));
}

TEST_F(HostileNames, WithoutADestinationTheCurrentFolderIsTheLimit) {
    test::ZipBuilder builder;
    builder.Add({"/abs/y1", "1"});
    builder.Add({"../../y2", "2"});
    fs::create_directories(Base() / "cwd");
    test::WriteFileBytes(Base() / "h.zip", builder.Build());
    const fs::path previous = fs::current_path();
    fs::current_path(Base() / "cwd");
    const int count = Extract(Base() / "h.zip", "");
    fs::current_path(previous);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(FilesBelow(temp.Path()),
              (std::vector<std::string>{"a/b/cwd/abs/y1", "a/b/cwd/y2", "a/b/h.zip"}));
}

TEST_F(HostileNames, TheTraversalArchivesOfOtherToolsWriteOnlyInsideTheDestination) {
    for (const char* name :
         {"traversal-many-forms--python-gen.zip",
          "names-backslash-separators--sharpcompress-evil.zip",
          "traversal-symlink-then-file--rubyzip-jwilk.zip",
          "traversal-dir-symlink--rubyzip-jwilk.zip", "utf8-unicode-path-extra-only--yauzl.zip"}) {
        SCOPED_TRACE(name);
        test::TempDir scratch;
        const fs::path base = scratch / "a" / "b";
        fs::create_directories(base / "out");
        Extract(test::TestDataDir() / name, (base / "out").string());
        for (const std::string& file : FilesBelow(scratch.Path())) {
            EXPECT_EQ(file.rfind("a/b/out/", 0), 0u) << file;
        }
        // A link may be made, but only one that resolves inside the destination.
        const fs::path out = fs::canonical(base / "out");
        for (const auto& item : fs::recursive_directory_iterator(base / "out")) {
            if (item.is_symlink()) {
                const fs::path resolved = fs::weakly_canonical(item.path());
                EXPECT_EQ(resolved.string().rfind(out.string(), 0), 0u) << item.path();
            }
        }
    }
}

// --- Files already there ---

struct Answering : TInteractiveServices {
    TMsgAnswer Answer = TMsgAnswer::No;
    std::vector<std::string> Shown;
    TMsgAnswer MessageBox(const std::string& text, const std::string& caption,
                          TMsgButtons buttons) override {
        EXPECT_EQ(buttons, TMsgButtons::YesNo);
        Shown.push_back(caption + ": " + text);
        return Answer;
    }
};

class Overwrite : public testing::Test {
  protected:
    static constexpr uint32_t kEntryTime = 0x58AF6457;  // 2024-05-15 12:34:46, ZipBuilder's

    void SetUp() override {
        test::ZipBuilder builder;
        builder.Add({"sub/f.txt", "new contents"});
        test::WriteFileBytes(temp / "o.zip", builder.Build());
        zipper.SetZipName((temp / "o.zip").string());
        zipper.SetDestDir((temp / "out").string());
        zipper.OnSkippingFile = [this](TUnZipper&, TSkipReason reason, const std::string& name,
                                       int index, bool&) {
            skips.push_back(std::to_string(int(reason)) + " " + std::to_string(index) + " " +
                            fs::path(name).filename().string());
        };
        fs::create_directories(temp / "out");
    }
    // An existing out/f.txt dated seconds away from the entry.
    void Existing(int64_t secondsFromEntry) {
        test::WriteFileText(temp / "out" / "f.txt", "old");
        const TDateTime when = *DosDateTimeToDateTime(kEntryTime) + secondsFromEntry;
        ASSERT_TRUE(
            SetFileDosDateTime((temp / "out" / "f.txt").string(), DateTimeToDosDateTime(when)));
    }
    std::string Contents() const {
        const auto bytes = test::ReadFileBytes(temp / "out" / "f.txt");
        return std::string(bytes.begin(), bytes.end());
    }
    int Run(TUZOverwriteMode mode) {
        zipper.SetOverwriteMode(mode);
        zipper.SetDoAll(true);
        return zipper.UnZip();
    }
    test::TempDir temp;
    TUnZipper zipper;
    std::vector<std::string> skips;
};

TEST_F(Overwrite, AlwaysReplacesAndNeverKeeps) {
    Existing(-100);
    EXPECT_EQ(Run(TUZOverwriteMode::Never), 0);
    EXPECT_EQ(Contents(), "old");
    EXPECT_EQ(skips, std::vector<std::string>{"1 0 f.txt"});
    EXPECT_EQ(Run(TUZOverwriteMode::Always), 1);
    EXPECT_EQ(Contents(), "new contents");
}

TEST_F(Overwrite, NewerAndOlderCompareDatesStrictly) {
    Existing(0);  // equal dates: neither mode replaces
    EXPECT_EQ(Run(TUZOverwriteMode::ifNewer), 0);
    EXPECT_EQ(Run(TUZOverwriteMode::ifOlder), 0);
    EXPECT_EQ(Contents(), "old");
    Existing(+10);  // the file is newer than the entry
    EXPECT_EQ(Run(TUZOverwriteMode::ifNewer), 0);
    EXPECT_EQ(Run(TUZOverwriteMode::ifOlder), 1);
    Existing(-10);  // the file is older
    EXPECT_EQ(Run(TUZOverwriteMode::ifOlder), 0);
    EXPECT_EQ(Run(TUZOverwriteMode::ifNewer), 1);
    EXPECT_EQ(Contents(), "new contents");
    EXPECT_EQ(skips, std::vector<std::string>(4, "1 0 f.txt"));
}

TEST_F(Overwrite, APromptHandlerMayRenameOrRefuse) {
    Existing(0);
    std::vector<bool> answers = {false, true};
    zipper.OnPromptForOverwrite = [&](TUnZipper&, bool& overWriteIt, int index, std::string& name) {
        EXPECT_FALSE(overWriteIt);
        EXPECT_EQ(index, 0);
        EXPECT_EQ(name, (temp / "out" / "f.txt").string());
        overWriteIt = answers.front();
        answers.erase(answers.begin());
        name = (temp / "out" / "renamed.txt").string();
    };
    EXPECT_EQ(Run(TUZOverwriteMode::Prompt), 0);
    EXPECT_EQ(skips, std::vector<std::string>{"1 0 renamed.txt"});
    EXPECT_FALSE(fs::exists(temp / "out" / "renamed.txt"));
    EXPECT_EQ(Run(TUZOverwriteMode::Prompt), 1);
    EXPECT_EQ(Contents(), "old");
    EXPECT_EQ(test::ReadFileBytes(temp / "out" / "renamed.txt").size(), 12u);
}

TEST_F(Overwrite, WithoutAHandlerTheMessageBoxAsks) {
    Existing(0);
    Answering services;
    InstallServices(&services);
    EXPECT_EQ(Run(TUZOverwriteMode::Prompt), 0);
    services.Answer = TMsgAnswer::Yes;
    EXPECT_EQ(Run(TUZOverwriteMode::Prompt), 1);
    InstallServices(nullptr);
    EXPECT_EQ(services.Shown,
              std::vector<std::string>(2, "File Exists Alert: Replace existing file f.txt?"));
    EXPECT_EQ(Contents(), "new contents");
}

TEST_F(Overwrite, AReadOnlyFileIsReplacedWithReplaceReadOnlyAndTakesTheEntrysAttributes) {
    Bytes archive = test::ReadFileBytes(temp / "o.zip");
    test::PatchEntry(archive, 0, EntryPatch{.ExternalAttributes = 0x01});
    test::WriteFileBytes(temp / "o.zip", archive);
    Existing(0);
    fs::permissions(temp / "out" / "f.txt", fs::perms::owner_write, fs::perm_options::remove);
    zipper.SetReplaceReadOnly(true);
    EXPECT_EQ(Run(TUZOverwriteMode::Always), 1);
    EXPECT_EQ(Contents(), "new contents");
    struct stat info {};
    ASSERT_EQ(stat((temp / "out" / "f.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & S_IWUSR, 0u);  // read-only, as the entry says
    EXPECT_EQ(DateTimeToDosDateTime(info.st_mtime), kEntryTime);
    // Without RetainAttributes the file stays writable.
    zipper.SetRetainAttributes(false);
    ASSERT_EQ(chmod((temp / "out" / "f.txt").c_str(), 0644), 0);
    EXPECT_EQ(Run(TUZOverwriteMode::Always), 1);
    ASSERT_EQ(stat((temp / "out" / "f.txt").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IWUSR, 0u);
}

TEST_F(Overwrite, AnOutputThatCannotBeCreatedIsSkipped) {
    fs::create_directories(temp / "out" / "f.txt");  // a folder where the file should go
    zipper.SetReplaceReadOnly(true);
    EXPECT_EQ(Run(TUZOverwriteMode::Always), 0);
    EXPECT_EQ(skips, std::vector<std::string>{"3 0 f.txt"});
}

TEST_F(Overwrite, FoldersAreMadeOnlyWithRecreateDirs) {
    test::ZipBuilder builder;
    builder.Add({"empty/", ""});
    builder.Add({"deep/file.txt", "x"});
    test::WriteFileBytes(temp / "d.zip", builder.Build());
    zipper.SetZipName((temp / "d.zip").string());
    EXPECT_EQ(Run(TUZOverwriteMode::Always), 2);  // the folder entry counts either way
    EXPECT_EQ(FilesBelow(temp / "out"), (std::vector<std::string>{"file.txt"}));
    EXPECT_FALSE(fs::exists(temp / "out" / "empty"));
    zipper.SetRecreateDirs(true);
    EXPECT_EQ(Run(TUZOverwriteMode::Always), 2);
    EXPECT_TRUE(fs::is_directory(temp / "out" / "empty"));
    EXPECT_TRUE(fs::exists(temp / "out" / "deep" / "file.txt"));
}

}  // namespace
}  // namespace mobrel
