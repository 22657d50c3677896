// The reader component as the application drives it: its settings and dialogs, the
// indexed accessors, sorting, comments, selection, and how an extraction run chooses its
// entries and reports them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <numeric>

#include "format/entry_details.h"
#include "format/zip_builder.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "platform/file_mode_text.h"
#include "platform/interactive_services.h"
#include "reader/un_zipper.h"
#include "test_support.h"

namespace mobrel {
namespace {

using test::Bytes;

std::string WriteTemp(const test::TempDir& temp, const std::string& name, const Bytes& bytes) {
    const auto path = temp / name;
    test::WriteFileBytes(path, bytes);
    return path.string();
}

std::string TestArchive(const std::string& name) {
    return (test::TestDataDir() / name).string();
}

// --- Settings ---

TEST(Settings, DefaultsAndTheSettersThatNormaliseTheirValues) {
    TUnZipper zipper;
    EXPECT_EQ(zipper.ThisVersion(), 222);
    zipper.SetThisVersion(5);
    EXPECT_EQ(zipper.ThisVersion(), 222);
    EXPECT_EQ(zipper.SortMode(), ByNone);
    EXPECT_EQ(zipper.OverwriteMode(), TUZOverwriteMode::Prompt);
    EXPECT_EQ(zipper.IncompleteZipMode(), izAssumeMulti);
    EXPECT_TRUE(zipper.DoProcessMessages());
    EXPECT_TRUE(zipper.RetainAttributes());
    EXPECT_TRUE(zipper.CheckDiskLabels());
    EXPECT_EQ(zipper.DiskCount(), 1);
    EXPECT_EQ(zipper.MultiMode(), mmNone);
    EXPECT_TRUE(zipper.OnGetNextDisk);  // the default handler

    zipper.SetDestDir("/tmp/out/");
    EXPECT_EQ(zipper.DestDir(), "/tmp/out");
    zipper.SetDestDir("/");
    EXPECT_EQ(zipper.DestDir(), "/");
    zipper.SetRootDir("sub");
    EXPECT_EQ(zipper.RootDir(), "sub/");
    zipper.SetRootDir("");
    EXPECT_EQ(zipper.RootDir(), "");
}

TEST(Settings, QuestionMarksAskThroughTheDialogsAndHeadlessCancels) {
    TUnZipper zipper;
    try {
        zipper.SetZipName("/tmp/?");
        FAIL();
    } catch (const EUserCanceled& error) {
        EXPECT_STREQ(error.what(), "User canceled setting zip file name.");
    }
    try {
        zipper.SetDestDir("?");
        FAIL();
    } catch (const EUserCanceled& error) {
        EXPECT_STREQ(error.what(), "User canceled Set Desination Directory");
    }

    struct Chooser : TInteractiveServices {
        TFileDialogRequest Request;
        std::string Start;
        bool OpenFileDialog(const TFileDialogRequest& request, std::string& name) override {
            Request = request;
            name = "/data/chosen.zip";
            return true;
        }
        bool ChooseFolder(const std::string&, const std::string& start,
                          std::string& folder) override {
            Start = start;
            folder = "/data/out/";
            return true;
        }
    } chooser;
    InstallServices(&chooser);
    zipper.SetZipName("/no/such/folder/?");
    zipper.SetDestDir("?");
    InstallServices(nullptr);
    EXPECT_EQ(zipper.ZipName(), "/data/chosen.zip");
    EXPECT_EQ(chooser.Request.Title, "Open a Zip File");
    EXPECT_EQ(chooser.Request.Filter,
              "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|Jar Files (*.JAR)|*.jar|"
              "All Files (*.*)|*.*");
    EXPECT_EQ(chooser.Request.InitialDir, "/");  // the value's folder doesn't exist
    EXPECT_EQ(zipper.DestDir(), "/data/out");
    EXPECT_EQ(chooser.Start, std::filesystem::current_path().string());
}

TEST(Settings, AssignCopiesSettingsAndHandlersButNotTheDirectory) {
    TUnZipper source;
    source.SetZipName(TestArchive("comment-entry-comment--sharpcompress.zip"));
    source.ReadZip();
    source.SetDestDir("/out");
    source.SetSortMode(ByDate);
    source.SetFilesList({"*.txt"});
    int completions = 0;
    source.OnUnZipComplete = [&](TUnZipper&, int) { ++completions; };
    TUnZipper copy;
    copy.Assign(source);
    EXPECT_EQ(copy.ZipName(), source.ZipName());
    EXPECT_EQ(copy.DestDir(), "/out");
    EXPECT_EQ(copy.SortMode(), ByDate);
    EXPECT_EQ(copy.FilesList(), std::vector<std::string>{"*.txt"});
    EXPECT_EQ(copy.Count(), 0);
    copy.OnUnZipComplete(copy, 0);
    EXPECT_EQ(completions, 1);
}

// --- Accessors ---

TEST(Accessors, IndexesOutsideTheDirectoryAreListErrors) {
    TUnZipper zipper;
    EXPECT_EQ(zipper.Count(), 0);
    try {
        zipper.EntryFileName(0);
        FAIL();
    } catch (const EListError& error) {
        EXPECT_STREQ(error.what(), "Index 0 is out of range");
    }
    zipper.SetZipName(TestArchive("comment-archive-and-file-comments--infozip-gen.zip"));
    zipper.ReadZip();
    ASSERT_EQ(zipper.Count(), 3);
    EXPECT_EQ(zipper.EntryPath(1), "docs\\");
    EXPECT_EQ(zipper.EntryFileName(1), "hamlet_30k.txt");
    EXPECT_EQ(zipper.EntryFullName(1), "docs\\hamlet_30k.txt");
    for (int bad : {-1, 3, 1000}) {
        EXPECT_THROW(zipper.EntryPath(bad), EListError);
        EXPECT_THROW(zipper.EntryComment(bad), EListError);
        EXPECT_THROW(zipper.SetEntrySelected(bad, true), EListError);
    }
    EXPECT_THROW(zipper.TestEntries(-2), EListError);  // -1 means every chosen entry
    EXPECT_THROW(zipper.TestEntries(3), EListError);
    EXPECT_EQ(zipper.ZipSize(), 13462);
    zipper.ClearZip();
    EXPECT_EQ(zipper.ZipName(), "");
    EXPECT_EQ(zipper.Count(), 0);
    EXPECT_EQ(zipper.ZipSize(), 0);
}

TEST(Accessors, SelectionCountsOnlyChanges) {
    TUnZipper zipper;
    zipper.SetZipName(TestArchive("comment-archive-and-file-comments--infozip-gen.zip"));
    zipper.ReadZip();
    zipper.SetEntrySelected(0, true);
    zipper.SetEntrySelected(0, true);
    zipper.SetEntrySelected(2, true);
    EXPECT_EQ(zipper.SelectedCount(), 2);
    zipper.SetEntrySelected(2, false);
    zipper.SetEntrySelected(1, false);
    EXPECT_EQ(zipper.SelectedCount(), 1);
    EXPECT_TRUE(zipper.EntrySelected(0));
    zipper.ClearZip();  // the flags go with the records
    EXPECT_EQ(zipper.SelectedCount(), 0);
}

// --- Sorting ---

// The visible order each mode must give, computed from the physical order alone: text and
// rate keys put equal entries in reverse physical order, dates and sizes keep it.
std::vector<const TZipHeaderInfo*> ExpectedOrder(std::vector<const TZipHeaderInfo*> physical,
                                                 TZipSortMode mode) {
    auto fold = [](std::string text) {
        for (char& c : text) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        return text;
    };
    auto rate = [](const TZipHeaderInfo* e) {
        if (static_cast<int32_t>(e->UncompressedSize) <= 0) {
            return 0.0;
        }
        std::fesetround(FE_TONEAREST);
        return std::min(100.0, std::nearbyint(100.0 * e->CompressedSize / e->UncompressedSize));
    };
    auto date = [](const TZipHeaderInfo* e) {
        return DosDateTimeToDateTime(e->DosDateTime).value_or(0);
    };
    const bool reverseEquals =
        mode != ByDate && mode != ByCompressedSize && mode != ByUnCompressedSize && mode != ByNone;
    if (reverseEquals) {
        std::reverse(physical.begin(), physical.end());
    }
    auto by = [&](auto key, bool descending) {
        std::stable_sort(physical.begin(), physical.end(), [&](auto* a, auto* b) {
            return descending ? key(b) < key(a) : key(a) < key(b);
        });
    };
    switch (mode) {
        case ByName:
            by([&](auto* e) { return fold(e->FullName()); }, false);
            break;
        case ByFileName:
            by([&](auto* e) { return fold(e->FileName()); }, false);
            break;
        case ByDirectoryName:
            by([&](auto* e) { return fold(e->Directory()); }, false);
            break;
        case ByDate:
            by(date, true);
            break;
        case ByCompressedSize:
            by([](auto* e) { return static_cast<int32_t>(e->CompressedSize); }, true);
            break;
        case ByUnCompressedSize:
            by([](auto* e) { return static_cast<int32_t>(e->UncompressedSize); }, true);
            break;
        case ByRate:
            by(rate, true);
            break;
        case ByPermissions:
            by([&](auto* e) { return fold(FileModeText(EntryFileMode(*e))); }, false);
            break;
        case ByMethod:
            by([&](auto* e) { return fold(EntryMethodName(*e)); }, false);
            break;
        case ByEncryption:
            by([&](auto* e) { return fold(EntryEncryptionName(*e)); }, false);
            break;
        case ByNone:
            break;
    }
    return physical;
}

TEST(Sorting, EveryModeOverARealArchiveIncludingTheOrderOfEqualKeys) {
    // Folders, empty files and equal dates give every mode ties to settle.
    TUnZipper zipper;
    zipper.SetZipName(TestArchive("m08-deflate-infozip30-unix--infozip-gen.zip"));
    zipper.ReadZip();
    ASSERT_GT(zipper.Count(), 8);
    std::vector<const TZipHeaderInfo*> physical;
    for (int i = 0; i < zipper.Count(); ++i) {
        physical.push_back(&zipper.EntryInfo(i));
        if (i > 0) {
            EXPECT_LT(physical[i - 1]->LocalHeaderOffset, physical[i]->LocalHeaderOffset);
        }
    }
    for (TZipSortMode mode :
         {ByName, ByFileName, ByDirectoryName, ByDate, ByCompressedSize, ByUnCompressedSize, ByRate,
          ByNone, ByPermissions, ByMethod, ByEncryption}) {
        SCOPED_TRACE(mode);
        zipper.Sort(mode);
        EXPECT_EQ(zipper.SortMode(), mode);
        std::vector<const TZipHeaderInfo*> visible;
        for (int i = 0; i < zipper.Count(); ++i) {
            visible.push_back(&zipper.EntryInfo(i));
        }
        EXPECT_EQ(visible, ExpectedOrder(physical, mode));
    }
}

TEST(Sorting, ANewSortModeWaitsForTheNextReadOrSort) {
    TUnZipper zipper;
    zipper.SetZipName(TestArchive("comment-archive-and-file-comments--infozip-gen.zip"));
    zipper.ReadZip();
    const std::string first = zipper.EntryFullName(0);
    zipper.SetSortMode(ByUnCompressedSize);
    EXPECT_EQ(zipper.EntryFullName(0), first);
    zipper.ClearZip();
    zipper.SetZipName(TestArchive("comment-archive-and-file-comments--infozip-gen.zip"));
    zipper.ReadZip();  // a read builds the visible directory in the stored mode
    EXPECT_EQ(zipper.EntryFullName(0), "docs\\hamlet_30k.txt");
}

// --- Comments ---

// Python's zipfile reads the comments as the oracle: hex, so no byte is lost on the way.
std::vector<std::string> PythonComments(const std::string& archive) {
    const test::CommandResult result = test::RunCommand(
        "python3 -c \"import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
        "print(z.comment.hex()); [print(i.comment.hex()) for i in z.infolist()]\" " +
        test::ShellQuote(archive));
    std::vector<std::string> lines;
    std::string line;
    for (char c : result.Output) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    return lines;
}

std::string Hex(const std::string& bytes) {
    static const char* const kDigits = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    return hex;
}

TEST(Comments, ReadOnDemandAgreeWithAPeerAndLeaveModifiedAlone) {
    for (const char* name :
         {"comment-archive-and-file-comments--infozip-gen.zip",
          "comment-utf8-file-and-archive--python-gen.zip",
          "comment-entry-comment--sharpcompress.zip", "empty-with-comment--python-gen.zip"}) {
        SCOPED_TRACE(name);
        const std::vector<std::string> expected = PythonComments(TestArchive(name));
        TUnZipper zipper;
        zipper.SetZipName(TestArchive(name));
        zipper.ReadZip();
        ASSERT_EQ(expected.size(), static_cast<size_t>(zipper.Count()) + 1);
        EXPECT_EQ(Hex(zipper.ZipComment()), expected[0]);
        // The reader's order is the archive's here (entries stored in directory order).
        for (int i = 0; i < zipper.Count(); ++i) {
            EXPECT_EQ(Hex(zipper.EntryComment(i)), expected[static_cast<size_t>(i) + 1]);
        }
        EXPECT_FALSE(zipper.CommentsModified());
    }
}

TEST(Comments, WritingChangesTheTextInMemoryAndSetsModified) {
    TUnZipper zipper;
    zipper.SetZipName(TestArchive("comment-archive-and-file-comments--infozip-gen.zip"));
    zipper.ReadZip();
    zipper.SetEntryComment(0, "comment for tiny.txt");  // the same text: no change
    zipper.SetZipComment("Archive comment line 1\r\nline 2 of the archive comment");
    EXPECT_FALSE(zipper.CommentsModified());
    zipper.SetEntryComment(2, "now with a comment");
    EXPECT_TRUE(zipper.CommentsModified());
    EXPECT_EQ(zipper.EntryComment(2), "now with a comment");
    EXPECT_EQ(zipper.EntryInfo(2).FileCommentLength, 18);

    // Clearing a comment that was never read still counts as a change.
    TUnZipper other;
    other.SetZipName(TestArchive("comment-archive-and-file-comments--infozip-gen.zip"));
    other.ReadZip();
    other.SetEntryComment(1, "");
    other.SetZipComment("");
    EXPECT_TRUE(other.CommentsModified());
    EXPECT_EQ(other.EntryComment(1), "");
    EXPECT_EQ(other.ZipComment(), "");
    EXPECT_EQ(other.EntryInfo(1).FileCommentLength, 0);
}

// --- The extraction run: choosing entries and its events ---

struct RunLog {
    std::vector<std::string> Events;
    void Attach(TUnZipper& zipper) {
        zipper.OnStartUnZipInfo = [this](TUnZipper&, int numFiles, int64_t totalBytes, bool&) {
            Events.push_back("start " + std::to_string(numFiles) + " " +
                             std::to_string(totalBytes));
        };
        zipper.OnUnZipComplete = [this](TUnZipper&, int count) {
            Events.push_back("complete " + std::to_string(count));
        };
    }
};

test::ZipBuilder DocsArchive() {
    test::ZipBuilder builder;
    builder.Add({"docs/", ""});
    builder.Add({"docs/Read.txt", "0123456789"});
    builder.Add({"docs/other.bin", std::string(100, 'b')});
    builder.Add({"top.TXT", "abc"});
    return builder;
}

class RunTest : public testing::Test {
  protected:
    void SetUp() override {
        zipper.SetZipName(WriteTemp(temp, "docs.zip", DocsArchive().Build()));
        zipper.SetDestDir((temp / "out").string());
        log.Attach(zipper);
    }
    std::vector<bool> Marks() {
        std::vector<bool> marks;
        for (int i = 0; i < zipper.Count(); ++i) {
            marks.push_back(zipper.EntryInfo(i).Marked);
        }
        return marks;
    }
    test::TempDir temp;
    TUnZipper zipper;
    RunLog log;
};

TEST_F(RunTest, NothingChosenStillReportsTheRun) {
    EXPECT_EQ(zipper.UnZip(), 0);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"start 0 0", "complete 0"}));
}

TEST_F(RunTest, FilesListPatternsMatchWithoutRegardToCase) {
    zipper.FilesList() = {"*.TXT"};
    EXPECT_EQ(zipper.UnZip(), 2);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"start 2 13", "complete 2"}));
    EXPECT_EQ(Marks(), (std::vector<bool>{false, true, false, true}));
    EXPECT_TRUE(zipper.FilesList().empty());
    EXPECT_TRUE(std::filesystem::is_directory(temp / "out"));  // made for the run
}

TEST_F(RunTest, FoldersTakePartWithRecreateDirsButCountNeitherAsFilesNorBytes) {
    zipper.SetDoAll(true);
    zipper.SetRecreateDirs(true);
    EXPECT_EQ(zipper.UnZip(), 4);  // every entry's step runs under DoAll
    EXPECT_EQ(log.Events, (std::vector<std::string>{"start 3 113", "complete 4"}));
    zipper.SetRecreateDirs(false);
    log.Events.clear();
    zipper.UnZip();
    EXPECT_EQ(log.Events.front(), "start 3 113");
    EXPECT_EQ(Marks(), (std::vector<bool>{false, true, true, true}));
}

TEST_F(RunTest, UnZipSelectedConsumesTheSelectionAndIgnoresFilesList) {
    zipper.ReadZip();
    zipper.SetEntrySelected(1, true);
    zipper.SetEntrySelected(3, true);
    zipper.FilesList() = {"*"};
    EXPECT_EQ(zipper.UnZipSelected(), 2);
    EXPECT_EQ(Marks(), (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(zipper.SelectedCount(), 0);
    EXPECT_FALSE(zipper.EntrySelected(1));
    EXPECT_TRUE(zipper.FilesList().empty());
    // Without the selected mode the same call chooses by FilesList again.
    zipper.FilesList() = {"docs\\other.bin"};
    EXPECT_EQ(zipper.UnZip(), 1);
}

TEST_F(RunTest, StopNowEndsTheRunBeforeTheFirstEntry) {
    zipper.SetDoAll(true);
    zipper.OnStartUnZipInfo = [](TUnZipper&, int, int64_t, bool& stopNow) { stopNow = true; };
    int completed = -1;
    zipper.OnUnZipComplete = [&](TUnZipper&, int count) { completed = count; };
    EXPECT_EQ(zipper.UnZip(), 0);
    EXPECT_EQ(completed, 0);
}

TEST_F(RunTest, AFailedReadStillEmptiesFilesListAndClearsBusy) {
    test::WriteFileText(zipper.ZipName(), "no archive here");
    zipper.SetIncompleteZipMode(izAssumeBad);
    zipper.FilesList() = {"*"};
    EXPECT_THROW(zipper.UnZip(), EBadZipFile);
    EXPECT_TRUE(zipper.FilesList().empty());
    EXPECT_FALSE(zipper.Busy());
}

TEST_F(RunTest, BufferAndTestRunsChooseOneEntryAndRestoreTheSettings) {
    zipper.ReadZip();
    zipper.SetRecreateDirs(false);
    std::vector<uint8_t> buffer;
    EXPECT_EQ(zipper.UnZipToBuffer(buffer, 2), 1);
    EXPECT_EQ(Marks(), (std::vector<bool>{false, false, true, false}));

    EXPECT_TRUE(zipper.TestEntry(1));
    EXPECT_EQ(zipper.EntryInfo(1).TestState, TZipHeaderInfo::kTestedOk);
    EXPECT_FALSE(zipper.RecreateDirs());
    EXPECT_EQ(zipper.DestDir(), (temp / "out").string());
    // A tested entry is answered from its state, without the archive.
    std::filesystem::remove(zipper.ZipName());
    EXPECT_TRUE(zipper.TestEntry(1));
}

TEST_F(RunTest, TestingEveryEntryCountsAgainstTheDirectoryOrTheSelection) {
    zipper.ReadZip();
    zipper.SetDoAll(true);
    EXPECT_TRUE(zipper.TestEntries(-1));
    zipper.SetDoAll(false);
    EXPECT_FALSE(zipper.TestEntries(-1));  // nothing selected: nothing tested
    zipper.SetEntrySelected(3, true);
    EXPECT_TRUE(zipper.TestEntries(-1));
}

}  // namespace
}  // namespace mobrel
