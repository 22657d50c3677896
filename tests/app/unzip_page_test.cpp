// The Unzip page driven through its actions: listing against the engine, extraction,
// deletion, repair, viewing an entry and the engine's two questions.
#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QTabWidget>
#include <algorithm>
#include <set>

#include <sys/stat.h>

#include "entry_list_model.h"
#include "entry_list_view.h"
#include "form_password.h"
#include "form_run_summary.h"
#include "format/zip_builder.h"
#include "main_window_fixture.h"
#include "platform/file_permissions.h"
#include "platform/temp_files.h"

namespace {

namespace fs = std::filesystem;
using mobrel::TMsgAnswer;

constexpr const char* kWinZipArchive = "m08-deflate-winzip--commons-compress.zip";
constexpr const char* kInfoZipArchive = "m08-deflate-infozip30-unix--infozip-gen.zip";
constexpr const char* kTruncatedArchive = "corrupt-truncated-at-20000--derived.zip";
constexpr const char* kEncryptedArchive = "enc-zipcrypto-stored-8files-pw-test--sharpcompress.zip";

const char* const kIncompleteWarning =
    "The zip appears to be incomplete.\r\nOr it isn't a zip file.\r\n"
    "If you downloaded it, you might wish to try to \r\ndownload it again\r\n"
    "You may wish to delete this file.";

// The files below folder, as paths relative to it.
std::set<std::string> FilesBelow(const fs::path& folder) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files.insert(fs::relative(entry.path(), folder).string());
        }
    }
    return files;
}

class UnzipPageTest : public MainWindowTest {
  protected:
    // Starts the window on an empty destination folder and opens the archive.
    TUnzipPage& StartWith(const std::string& archive) {
        fs::create_directories(Scratch() / "out");
        Start();
        UnzipPage().ShowFolder((Scratch() / "out").string());
        UnzipPage().OpenArchive(archive);
        return UnzipPage();
    }
    void Trigger(QAction* action) {
        Form().UpdateActions();
        ASSERT_TRUE(action->isEnabled()) << action->objectName().toStdString();
        action->trigger();
    }
    fs::path Out() const { return Scratch() / "out"; }
};

TEST_F(UnzipPageTest, RowsShowTheEngineEntriesInEngineOrder) {
    TUnzipPage& page = StartWith(CopyTestArchive(kInfoZipArchive));
    const mobrel::TZipper& engine = Form().Zipper1;
    ASSERT_GT(engine.Count(), 5);
    ASSERT_EQ(page.EntryList->RowCount(), engine.Count());
    int64_t total = 0;
    for (int i = 0; i < engine.Count(); ++i) {
        // Folders as Linux writes them; the engine keeps its own separator.
        std::string path = engine.EntryPath(i);
        std::replace(path.begin(), path.end(), '\\', '/');
        EXPECT_EQ(page.EntryList->CellText(i, 0).toStdString(), path);
        EXPECT_EQ(page.EntryList->CellText(i, 1).toStdString(), engine.EntryFileName(i));
        EXPECT_EQ(page.EntryList->RowTexts()[i],
                  path + " " + engine.EntryFileName(i) + " " +
                      std::to_string(engine.EntryUncompressedSize(i)) + " " +
                      std::to_string(engine.EntryCompressedSize(i)));
        total += engine.EntryUncompressedSize(i);
    }
    EXPECT_EQ(page.UnzippedTotal(), total);
    EXPECT_EQ(page.Edit5->text().remove(',').toLongLong(), fs::file_size(engine.ZipName()));
    EXPECT_EQ(Form().CurrentArchive(), engine.ZipName());
    EXPECT_EQ(RememberedArchive(), engine.ZipName());
    Form().UpdateActions();
    EXPECT_EQ(Form().StatusPanel0->text().toStdString(),
              "File Count: " + std::to_string(engine.Count()));
    EXPECT_EQ(Form().StatusPanel1->text().toStdString(), "Current File Name: " + engine.ZipName());
}

TEST_F(UnzipPageTest, SixtyThousandEntriesListAndScrollToTheLast) {
    mobrel::test::ZipBuilder builder;
    constexpr int kEntries = 60000;
    for (int i = 0; i < kEntries; ++i) {
        builder.Add(
            {"folder" + std::to_string(i % 100) + "/file" + std::to_string(i) + ".txt", ""});
    }
    const fs::path archive = Scratch() / "many.zip";
    mobrel::test::WriteFileBytes(archive, builder.Build());
    TUnzipPage& page = StartWith(archive.string());
    ASSERT_EQ(page.EntryList->RowCount(), kEntries);
    page.FocusRow(kEntries - 1);
    EXPECT_EQ(page.EntryList->CellText(page.FocusedRow(), 1).toStdString(), "file59999.txt");
    EXPECT_EQ(page.EntryList->RowTexts().back(), "folder99/ file59999.txt 0 0");
}

TEST_F(UnzipPageTest, DateColumnShowsTheDateWithoutTheTime) {
    mobrel::test::ZipBuilder builder;
    builder.Add({"morning.txt", "a", 0x58AF3000});  // 2024-05-15 06:00:00
    builder.Add({"evening.txt", "b", 0x58AFA000});  // 2024-05-15 20:00:00
    const fs::path archive = Scratch() / "dates.zip";
    mobrel::test::WriteFileBytes(archive, builder.Build());
    const TEntryListModel& rows = *StartWith(archive.string()).EntryList;
    ASSERT_EQ(rows.RowCount(), 2);
    EXPECT_FALSE(rows.CellText(0, 4).isEmpty());
    EXPECT_EQ(rows.CellText(0, 4), rows.CellText(1, 4));
    EXPECT_FALSE(rows.CellText(0, 4).contains(':'));
}

TEST_F(UnzipPageTest, UnpackedTotalBeyondTwoGibibytesIsNotNegative) {
    mobrel::test::ZipBuilder builder;
    builder.Add({"a.bin", "aaaa"});
    builder.Add({"b.bin", "bbbb"});
    mobrel::test::Bytes bytes = builder.Build();
    // Claim 1.5 GiB unpacked for each entry in the central directory; only listing reads it.
    for (size_t at = 0; at + 4 <= bytes.size(); ++at) {
        if (bytes[at] == 0x50 && bytes[at + 1] == 0x4B && bytes[at + 2] == 1 &&
            bytes[at + 3] == 2) {
            const uint32_t claimed = 0x60000000;
            for (int b = 0; b < 4; ++b) {
                bytes[at + 24 + b] = static_cast<uint8_t>(claimed >> (8 * b));
            }
        }
    }
    const fs::path archive = Scratch() / "big.zip";
    mobrel::test::WriteFileBytes(archive, bytes);
    TUnzipPage& page = StartWith(archive.string());
    EXPECT_EQ(page.UnzippedTotal(), int64_t{2} * 0x60000000);
    EXPECT_EQ(page.Edit1->text().toStdString(), "3,221,225,472");
}

TEST_F(UnzipPageTest, OnlyExistingZipNamesOpenWhateverTheCaseOfTheExtension) {
    const std::string capitals = CopyTestArchive(kWinZipArchive, "B.ZIP");
    TUnzipPage& page = StartWith(capitals);
    EXPECT_GT(page.EntryList->RowCount(), 0);
    EXPECT_TRUE(Services.Messages.empty());

    const std::string program = CopyTestArchive(kWinZipArchive, "setup.exe");
    page.OpenArchive(program);
    EXPECT_EQ(Services.Messages, std::vector<std::string>{"Please open a file to zip"});
    EXPECT_EQ(page.EntryList->RowCount(), 0);
    EXPECT_TRUE(Form().CurrentArchive().empty());
    EXPECT_TRUE(page.Edit1->text().isEmpty());
    EXPECT_TRUE(page.Edit5->text().isEmpty());
}

TEST_F(UnzipPageTest, OpenDialogStartsInTheUnzipFolderAndListsTheChoice) {
    TUnzipPage& page = StartWith(CopyTestArchive(kWinZipArchive));
    const std::string other = CopyTestArchive(kInfoZipArchive);
    Services.DialogAnswers.push_back(other);
    Trigger(page.a_openUnzip);
    ASSERT_EQ(Services.DialogRequests.size(), 1u);
    EXPECT_EQ(Services.DialogRequests[0].Title, "Open an existing zip file.");
    EXPECT_EQ(Services.DialogRequests[0].Filter, "Zip Files|*.zip");
    EXPECT_EQ(Services.DialogRequests[0].InitialDir, Out().string());
    EXPECT_EQ(Form().CurrentArchive(), other);
    EXPECT_EQ(page.EntryList->RowCount(), Form().Zipper1.Count());
    // The dialog leaves the folder where the user ended, and the trees follow.
    EXPECT_EQ(page.Folder(), Scratch().string());
}

TEST_F(UnzipPageTest, CancelledOpenDialogKeepsTheCurrentArchive) {
    const std::string archive = CopyTestArchive(kWinZipArchive);
    TUnzipPage& page = StartWith(archive);
    const int rows = page.EntryList->RowCount();
    Trigger(page.a_openUnzip);
    EXPECT_EQ(Form().CurrentArchive(), archive);
    EXPECT_EQ(page.EntryList->RowCount(), rows);
}

TEST_F(UnzipPageTest, UnzipSelectedExtractsExactlyTheSelectedRows) {
    mobrel::test::ZipBuilder builder;
    builder.Add({"first/one.txt", "1"});
    builder.Add({"second/two.txt", "22"});
    builder.Add({"third/three.txt", "333"});
    const fs::path archive = Scratch() / "three.zip";
    mobrel::test::WriteFileBytes(archive, builder.Build());
    TUnzipPage& page = StartWith(archive.string());
    const mobrel::TZipper& engine = Form().Zipper1;
    page.SelectRows({0, 2});
    Trigger(page.a_unzipSel);
    EXPECT_EQ(Services.Messages, std::vector<std::string>{"Successfully unzipped 2 files."});
    EXPECT_EQ(FilesBelow(Out()), (std::set<std::string>{"first/one.txt", "third/three.txt"}));
    EXPECT_EQ(engine.SelectedCount(), 0);
    EXPECT_EQ(Services.BusyDepth, 0);

    // The same run then deletes row 1 by name.
    page.SelectRows({1});
    Services.Answers.push_back(TMsgAnswer::Yes);
    Trigger(page.a_delete);
    EXPECT_EQ(Services.Messages.back(), "Deleted 1 files.");
    ASSERT_EQ(page.EntryList->RowCount(), 2);
    EXPECT_EQ(engine.EntryFullName(0), "first\\one.txt");
    EXPECT_EQ(engine.EntryFullName(1), "third\\three.txt");
    const auto test = mobrel::test::RunCommand("unzip -tqq " + mobrel::test::ShellQuote(archive));
    EXPECT_EQ(test.ExitCode, 0) << test.Output;
}

TEST_F(UnzipPageTest, UnzipAllExtractsEveryEntryOfARealArchive) {
    TUnzipPage& page = StartWith(CopyTestArchive(kInfoZipArchive));
    const mobrel::TZipper& engine = Form().Zipper1;
    Trigger(page.a_unZipAll);
    // Folder entries count as extracted too.
    EXPECT_EQ(Services.Messages,
              std::vector<std::string>{"Successfully unzipped " + std::to_string(engine.Count()) +
                                       " files."});
    const auto compare = mobrel::test::RunCommand(
        "mkdir -p " + mobrel::test::ShellQuote((Scratch() / "peer").string()) + " && unzip -qq " +
        mobrel::test::ShellQuote(engine.ZipName()) + " -d " +
        mobrel::test::ShellQuote((Scratch() / "peer").string()) + " && diff -r " +
        mobrel::test::ShellQuote((Scratch() / "peer").string()) + " " +
        mobrel::test::ShellQuote(Out().string()));
    EXPECT_EQ(compare.ExitCode, 0) << compare.Output;
}

TEST_F(UnzipPageTest, ExtractionRestoresModesAndSafeLinksAndMarksLinkRows) {
    const fs::path tree = Scratch() / "tree";
    fs::create_directories(tree / "sub");
    mobrel::test::WriteFileBytes(tree / "run.sh", {'#', '!'});
    fs::permissions(tree / "run.sh", static_cast<fs::perms>(0755));
    mobrel::test::WriteFileBytes(tree / "sub" / "data.txt", {'d'});
    fs::create_symlink("sub/data.txt", tree / "link");
    const fs::path archive = Scratch() / "unix.zip";
    ASSERT_EQ(mobrel::test::RunCommand("cd " + mobrel::test::ShellQuote(tree.string()) +
                                       " && zip -q -y -r " +
                                       mobrel::test::ShellQuote(archive.string()) + " .")
                  .ExitCode,
              0);
    TUnzipPage& page = StartWith(archive.string());
    const mobrel::TZipper& engine = Form().Zipper1;
    int links = 0;
    for (int row = 0; row < page.EntryList->RowCount(); ++row) {
        const bool isLink = engine.EntryFileName(page.EntryList->EntryOfRow(row)) == "link";
        EXPECT_EQ(page.EntryList->IsLinkRow(row), isLink) << row;
        links += isLink ? 1 : 0;
    }
    EXPECT_EQ(links, 1);
    Trigger(page.a_unZipAll);
    const uint32_t mask = mobrel::ProcessUmask();
    struct stat info {};
    ASSERT_EQ(stat((Out() / "run.sh").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755 & ~mask);
    ASSERT_TRUE(fs::is_symlink(Out() / "link"));
    EXPECT_EQ(fs::read_symlink(Out() / "link"), "sub/data.txt");
    EXPECT_EQ(mobrel::test::ReadFileBytes(Out() / "link"), std::vector<uint8_t>{'d'});
}

TEST_F(UnzipPageTest, DeleteAnsweredNoLeavesTheArchiveAsItWas) {
    const std::string archive = CopyTestArchive(kWinZipArchive);
    const auto before = mobrel::test::ReadFileBytes(archive);
    TUnzipPage& page = StartWith(archive);
    page.SelectRows({0});
    Trigger(page.a_delete);
    EXPECT_EQ(Services.Messages,
              (std::vector<std::string>{"PERMANENTLY delete selected file(s) in zip?",
                                        "Delete cancelled by user."}));
    EXPECT_EQ(mobrel::test::ReadFileBytes(archive), before);
}

TEST_F(UnzipPageTest, IncompleteArchiveWarnsOnceAndKeepsThePreviousName) {
    const std::string good = CopyTestArchive(kWinZipArchive);
    const std::string truncated = CopyTestArchive(kTruncatedArchive);
    TUnzipPage& page = StartWith(good);
    Form().SetCurrentArchive(truncated);
    Trigger(page.a_uOpenCurrent);
    EXPECT_EQ(Services.Messages, std::vector<std::string>{kIncompleteWarning});
    EXPECT_EQ(page.EntryList->RowCount(), 0);
    EXPECT_TRUE(page.Edit1->text().isEmpty());
    EXPECT_EQ(Form().CurrentArchive(), truncated);
    EXPECT_EQ(RememberedArchive(), good);
}

TEST_F(UnzipPageTest, FixZipCopiesTheSoundEntriesIntoTheChosenFile) {
    const std::string truncated = CopyTestArchive(kTruncatedArchive);
    TUnzipPage& page = StartWith(CopyTestArchive(kWinZipArchive));
    Form().SetCurrentArchive(truncated);
    const std::string repaired = (Scratch() / "repaired.zip").string();
    Services.DialogAnswers.push_back(repaired);
    std::string report;
    std::vector<mobrel::TEntryFailure> leftOut;
    OnModal = [&](QDialog& window) {
        if (auto* summary = dynamic_cast<TFormRunSummary*>(&window)) {
            report = summary->Text();
            leftOut = summary->Failures();
        }
    };
    Trigger(page.a_uFix);
    // The entry the file ends in is left out, and the closing message says why.
    EXPECT_TRUE(Services.Messages.empty());
    ASSERT_EQ(report.rfind("Extracted ", 0), 0u) << report;
    const int copied = std::stoi(report.substr(10));
    EXPECT_GT(copied, 0);
    ASSERT_EQ(leftOut.size(), 1u) << report;
    EXPECT_EQ(report, "Extracted " + std::to_string(copied) +
                          " files; 1 failed or was skipped: 1 damaged data.");
    EXPECT_EQ(leftOut[0].Reason, "Premature end of file reached") << leftOut[0].Name;
    EXPECT_EQ(Form().CurrentArchive(), repaired);
    EXPECT_EQ(page.EntryList->RowCount(), copied);
    const auto test = mobrel::test::RunCommand("unzip -tqq " + mobrel::test::ShellQuote(repaired));
    EXPECT_EQ(test.ExitCode, 0) << test.Output;
}

TEST_F(UnzipPageTest, EscapeDuringARunStopsItTheProgressBarFollowsAndControlsWait) {
    TUnzipPage& page = StartWith(CopyTestArchive(kEncryptedArchive));
    TForm1& form = Form();
    bool runningWhenAsked = false;
    bool controlsEnabledWhenAsked = true;
    OnModal = [&](QDialog& window) {
        runningWhenAsked = form.OperationRunning();
        controlsEnabledWhenAsked = form.PageControl1->isEnabled() || form.menuBar()->isEnabled();
        form.Zipper1.OnTotalPercentDone(form.Zipper1, 40);  // as far as the run got
        // Pressed in the page, not in the window itself.
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&page, &escape);
        dynamic_cast<TFormPassword&>(window).Edit1->setText("test");
    };
    Trigger(page.a_unZipAll);
    EXPECT_TRUE(runningWhenAsked);
    // Greyed out while the engine worked, and back afterwards.
    EXPECT_FALSE(controlsEnabledWhenAsked);
    EXPECT_TRUE(form.PageControl1->isEnabled() && form.menuBar()->isEnabled());
    EXPECT_FALSE(form.OperationRunning());
    EXPECT_EQ(Services.Messages, std::vector<std::string>{"User Aborted Operation"});
    EXPECT_EQ(Services.BusyDepth, 0);
    EXPECT_EQ(form.ProgressBar1->value(), 0);

    // Uninterrupted, the bar ends full.
    OnModal = nullptr;
    Services.Messages.clear();
    Trigger(page.a_unZipAll);
    EXPECT_EQ(form.ProgressBar1->value(), 100);
}

TEST_F(UnzipPageTest, ViewingAnEntryExtractsItOnceAndOpensTheTemporaryCopy) {
    const fs::path temp = Scratch() / "tmp";
    fs::create_directories(temp);
    setenv("TMPDIR", temp.c_str(), 1);
    mobrel::test::ZipBuilder builder;
    builder.Add({"docs/readme.txt", "hello"});
    const fs::path archive = Scratch() / "view.zip";
    mobrel::test::WriteFileBytes(archive, builder.Build());
    TUnzipPage& page = StartWith(archive.string());
    mobrel::TZipper& engine = Form().Zipper1;
    engine.SetDestDir(Out().string());
    page.ViewRow(0);
    page.ViewRow(0);
    // In a folder of the window's own below the temporary folder, which only the user
    // may enter.
    const fs::path folder = fs::path(page.ViewFolder()).parent_path();
    EXPECT_EQ(folder.parent_path(), temp);
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    const fs::path viewed = folder / "readme.txt";
    EXPECT_EQ(page.ViewedFiles(), std::vector<std::string>{viewed.string()});
    ASSERT_EQ(Opened.size(), 2u);
    EXPECT_EQ(Opened[0].toLocalFile().toStdString(), viewed.string());
    EXPECT_TRUE(Services.Messages.empty());
    EXPECT_EQ(engine.DestDir(), Out().string());
    EXPECT_TRUE(engine.RecreateDirs());

    ShellAnswer = false;
    page.ViewFocusedRow();
    unsetenv("TMPDIR");
    EXPECT_EQ(Services.Messages, std::vector<std::string>{"Couldn't view file docs/readme.txt"});

    // Closing the window takes the copies with it.
    Form().close();
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::is_empty(temp));
}

TEST_F(UnzipPageTest, ViewingShowsTheEntryAskedForWhateverWasViewedBeforeUnderItsName) {
    const fs::path temp = Scratch() / "tmp";
    fs::create_directories(temp);
    setenv("TMPDIR", temp.c_str(), 1);
    mobrel::test::ZipBuilder first;
    first.Add({"docs/readme.txt", "docs"});
    first.Add({"src/readme.txt", "src"});
    mobrel::test::ZipBuilder second;
    second.Add({"readme.txt", "second archive"});
    const fs::path firstArchive = Scratch() / "first.zip";
    const fs::path secondArchive = Scratch() / "second.zip";
    mobrel::test::WriteFileBytes(firstArchive, first.Build());
    mobrel::test::WriteFileBytes(secondArchive, second.Build());
    TUnzipPage& page = StartWith(firstArchive.string());
    std::vector<std::string> shown;
    const auto view = [&](int row) {
        page.ViewRow(row);
        const auto bytes = mobrel::test::ReadFileBytes(Opened.back().toLocalFile().toStdString());
        shown.emplace_back(bytes.begin(), bytes.end());
    };
    view(0);
    view(1);
    view(0);
    page.OpenArchive(secondArchive.string());
    view(0);
    unsetenv("TMPDIR");
    EXPECT_EQ(shown, (std::vector<std::string>{"docs", "src", "docs", "second archive"}));
    EXPECT_EQ(page.ViewedFiles(), std::vector<std::string>{page.ViewFolder() + "readme.txt"});
    EXPECT_TRUE(Services.Messages.empty());
}

TEST_F(UnzipPageTest, AFolderTypedIntoTheDestinationBoxIsWhereFilesGo) {
    mobrel::test::ZipBuilder builder;
    builder.Add({"one.txt", "1"});
    const fs::path archive = Scratch() / "one.zip";
    mobrel::test::WriteFileBytes(archive, builder.Build());
    TUnzipPage& page = StartWith(archive.string());
    const fs::path typed = Scratch() / "typed";
    fs::create_directories(typed);

    // Enter (or leaving the box) moves the tree there.
    EXPECT_TRUE(page.SetDestination(typed.string() + "/"));
    EXPECT_EQ(page.Folder(), typed.string());
    EXPECT_EQ(page.Edit4->text().toStdString(), typed.string());
    Trigger(page.a_unZipAll);
    EXPECT_TRUE(fs::exists(typed / "one.txt"));

    // Typed and used at once, without Enter; a missing folder is created once the user agrees.
    const fs::path created = Scratch() / "new" / "deeper";
    page.TypeDestination(created.string());
    Services.Answers = {TMsgAnswer::Yes};
    Services.Messages.clear();
    Trigger(page.a_unZipAll);
    EXPECT_EQ(Services.Messages,
              (std::vector<std::string>{"The specified directory does not exist. Create it?",
                                        "Successfully unzipped 1 files."}));
    EXPECT_TRUE(fs::exists(created / "one.txt"));
    EXPECT_EQ(page.Edit4->text().toStdString(), created.string());

    // Declined, nothing is extracted anywhere and the box shows the tree's folder again.
    const fs::path declined = Scratch() / "declined";
    page.TypeDestination(declined.string());
    Services.Messages.clear();
    Trigger(page.a_unZipAll);
    EXPECT_EQ(Services.Messages,
              std::vector<std::string>{"The specified directory does not exist. Create it?"});
    EXPECT_FALSE(fs::exists(declined));
    EXPECT_EQ(page.Edit4->text().toStdString(), created.string());
    EXPECT_EQ(page.Folder(), created.string());
}

TEST_F(UnzipPageTest, DoubleClickOnAnEmptyListReportsTheIndexError) {
    Start();
    UnzipPage().ListBox2->OnDblClick();
    ASSERT_EQ(Services.Messages.size(), 1u);
    EXPECT_NE(Services.Messages[0].find("out of range"), std::string::npos);
}

TEST_F(UnzipPageTest, EnablingRulesFollowTheArchiveAndTheSelection) {
    TForm1& form = Start();
    TUnzipPage& page = UnzipPage();
    form.UpdateActions();
    for (QAction* action : {page.a_uOpenCurrent, page.a_uFix, page.a_unzipSel, page.a_delete,
                            page.a_unZipAll, page.a_saveUnzipFileList}) {
        EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
    }
    EXPECT_TRUE(page.a_openUnzip->isEnabled());

    const std::string archive = CopyTestArchive(kWinZipArchive);
    page.OpenArchive(archive);
    form.UpdateActions();
    for (QAction* action :
         {page.a_uOpenCurrent, page.a_uFix, page.a_unZipAll, page.a_saveUnzipFileList}) {
        EXPECT_TRUE(action->isEnabled()) << action->objectName().toStdString();
    }
    EXPECT_FALSE(page.a_unzipSel->isEnabled());
    EXPECT_FALSE(page.a_delete->isEnabled());
    page.SelectRows({1});
    form.UpdateActions();
    EXPECT_TRUE(page.a_unzipSel->isEnabled());
    EXPECT_TRUE(page.a_delete->isEnabled());

    // The rules read the file system: an archive deleted behind the window's back disables.
    fs::remove(archive);
    form.UpdateActions();
    EXPECT_FALSE(page.a_unzipSel->isEnabled());
    EXPECT_FALSE(page.a_unZipAll->isEnabled());
    EXPECT_FALSE(page.a_uOpenCurrent->isEnabled());
    EXPECT_TRUE(page.a_saveUnzipFileList->isEnabled());  // the rows are still there
}

}  // namespace
