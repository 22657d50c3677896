// The Zip page driven through its actions, with scripted dialogs, against the real engine:
// the archives it writes are checked with the peer tools.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QToolBar>
#include <QToolButton>

#include "entry_list_model.h"
#include "file_list_box.h"
#include "last_filename.h"
#include "sorted_list_box.h"

#include "zip_page_fixture.h"

namespace {

using namespace zip_page_test;

TEST_F(ZipPageTest, AddingKeepsFullPathsSortedAndDuplicates) {
    Select({"b.htm", "a.htm"});
    ZipPage().a_AddSelected->trigger();
    ZipPage().a_AddSelected->trigger();
    EXPECT_EQ(ZipPage().FilesToZip(),
              (Lines{(site_ / "a.htm").string(), (site_ / "a.htm").string(),
                     (site_ / "b.htm").string(), (site_ / "b.htm").string()}));
    ZipPage().SelectListRows({0, 3});
    ZipPage().a_DeleteSelected->trigger();
    EXPECT_EQ(ZipPage().FilesToZip(),
              (Lines{(site_ / "a.htm").string(), (site_ / "b.htm").string()}));
    ZipPage().a_clear->trigger();
    EXPECT_TRUE(ZipPage().FilesToZip().empty());
}

TEST_F(ZipPageTest, CreateNewZipStoresFullFoldersWithoutTheRootAndRemembersTheArchive) {
    const fs::path archive = ZipAllInto("new.zip");
    EXPECT_EQ(Services.Messages, Lines{"Successfully zipped 2 files of 2."});
    ExpectPeersAccept(archive);
    const std::string folder = site_.relative_path().string() + "/";
    EXPECT_EQ(StoredNames(archive), (Lines{folder + "a.htm", folder + "b.htm"}));
    EXPECT_EQ(CurrentArchive(), archive.string());
    EXPECT_EQ(LastFilename(), archive.string());
    ASSERT_EQ(Services.DialogRequests.size(), 1u);
    EXPECT_EQ(Services.DialogRequests[0].Title, "Create a New Zip File.");
    EXPECT_FALSE(Services.DialogRequests[0].MustExist);
    // The list stays as it was after a successful zip; the engine keeps the page's settings.
    EXPECT_EQ(ZipPage().FilesToZip().size(), 2u);
    EXPECT_TRUE(Form().Zipper1.RelativePaths());
    EXPECT_TRUE(Form().Zipper1.StorePaths());
    EXPECT_FALSE(Form().Zipper1.Recurse());
    EXPECT_EQ(Form().Zipper1.PackLevel(), 9);
    EXPECT_TRUE(Form().Zipper1.FilesList().empty());
}

TEST_F(ZipPageTest, ListedFilesThatAreGoneAreNamedAndNothingIsWrittenWithoutAFile) {
    ZipPage().a_AddAll->trigger();
    fs::remove(site_ / "a.htm");
    Services.DialogAnswers = {(Scratch() / "some.zip").string()};
    ZipPage().a_new->trigger();
    EXPECT_EQ(
        Services.Messages.back(),
        (site_ / "a.htm").string() + ": no file matches\n\nSuccessfully zipped 1 files of 2.");

    fs::remove(site_ / "b.htm");
    Services.DialogAnswers = {(Scratch() / "none.zip").string()};
    ZipPage().a_new->trigger();
    EXPECT_EQ(Services.Messages.back(), (site_ / "a.htm").string() + ": no file matches\n" +
                                            (site_ / "b.htm").string() +
                                            ": no file matches\n\nNo file was zipped.");
    EXPECT_FALSE(fs::exists(Scratch() / "none.zip"));
}

TEST_F(ZipPageTest, CreateNewZipOntoAnExistingArchiveHoldsTheListedFilesAlone) {
    const fs::path archive = ZipAllInto("site.zip");
    fs::permissions(archive,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ZipPage().a_clear->trigger();
    ZipPage().ShowFolder(site_.string());  // the dialog went to the archive's
    Select({"b.htm"});
    ZipPage().a_AddSelected->trigger();
    // The save dialog has asked whether the file may be replaced.
    Services.DialogAnswers = {archive.string()};
    ZipPage().a_new->trigger();
    const std::string folder = site_.relative_path().string() + "/";
    EXPECT_EQ(StoredNames(archive), Lines{folder + "b.htm"});
    ExpectPeersAccept(archive);
    EXPECT_EQ(fs::status(archive).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // Adding to it afterwards keeps what is there.
    ZipPage().a_clear->trigger();
    ZipPage().ShowFolder(site_.string());
    Select({"a.htm"});
    ZipPage().a_AddSelected->trigger();
    ZipPage().a_AddToCurrentZip->trigger();
    EXPECT_EQ(StoredNames(archive), (Lines{folder + "a.htm", folder + "b.htm"}));

    // Stopped half-way, the old archive stands byte for byte.
    const auto before = mobrel::test::ReadFileBytes(archive);
    Services.OnProcessMessages = [this] {
        if (Form().OperationRunning()) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(&Form(), &escape);
        }
    };
    Services.DialogAnswers = {archive.string()};
    ZipPage().a_new->trigger();
    Services.OnProcessMessages = nullptr;
    EXPECT_EQ(mobrel::test::ReadFileBytes(archive), before);
    EXPECT_EQ(Form().ProgressBar1->value(), 0);
}

TEST_F(ZipPageTest, EveryControlOfThePageIsInSightAt1024By700) {
    Form().setWindowState(Qt::WindowNoState);
    Form().resize(1024, 700);
    Form().ShowZipPage();
    QCoreApplication::processEvents();
    for (QToolBar* bar : {ZipPage().ListToolBar, ZipPage().ZipToolBar}) {
        for (QAction* action : bar->actions()) {
            if (action->isSeparator()) {
                continue;
            }
            QWidget* button = bar->widgetForAction(action);
            ASSERT_NE(button, nullptr) << action->text().toStdString();
            EXPECT_TRUE(button->isVisible()) << action->text().toStdString();
            EXPECT_TRUE(bar->rect().contains(button->geometry())) << action->text().toStdString();
        }
    }
    EXPECT_EQ(ZipPage().ZipToolBar->actions().size(), 5);   // four and a separator
    EXPECT_EQ(ZipPage().ListToolBar->actions().size(), 6);  // four, a separator, encryption
    EXPECT_TRUE(ZipPage().ToolButton20->isVisible());
    EXPECT_TRUE(ZipPage().Edit6->isVisible());
    EXPECT_GE(ZipPage().Edit6->width(), 160);
    EXPECT_LE(ZipPage().Edit6->mapTo(&Form(), QPoint(ZipPage().Edit6->width(), 0)).x(), 1024);
}

TEST_F(ZipPageTest, TheRelativeFolderShortensStoredNamesAndAMissingOneIsIgnored) {
    ZipPage().SetRelativeFolder(Scratch().string() + "/");
    const fs::path relative = ZipAllInto("relative.zip");
    EXPECT_EQ(StoredNames(relative), (Lines{"site/a.htm", "site/b.htm"}));
    ZipPage().SetRelativeFolder((Scratch() / "missing").string());
    const fs::path absolute = ZipAllInto("absolute.zip");
    const std::string folder = site_.relative_path().string() + "/";
    EXPECT_EQ(StoredNames(absolute), (Lines{folder + "a.htm", folder + "b.htm"}));
    ExpectPeersAccept(relative);
}

TEST_F(ZipPageTest, TheSameFileListedTwiceIsZippedOnce) {
    Select({"a.htm"});
    ZipPage().a_AddSelected->trigger();
    ZipPage().a_AddSelected->trigger();
    Services.DialogAnswers = {(Scratch() / "twice.zip").string()};
    ZipPage().a_new->trigger();
    EXPECT_EQ(Services.Messages, Lines{"Successfully zipped 1 files of 2."});
    EXPECT_EQ(StoredNames(Scratch() / "twice.zip").size(), 1u);
}

TEST_F(ZipPageTest, AddingToTheCurrentZipReplacesEntriesOfTheSameStoredName) {
    ZipPage().SetRelativeFolder(Scratch().string());
    const fs::path archive = ZipAllInto("current.zip");
    ZipPage().a_clear->trigger();
    mobrel::test::WriteFileText(site_ / "a.htm", "<p>a, second edition</p>");
    // The save dialog left the folder trees where the archive went.
    EXPECT_EQ(ZipPage().Folder(), Scratch().string());
    ZipPage().ShowFolder(site_.string());
    ASSERT_TRUE(ZipPage().ChooseFilter("All Files"));
    Select({"a.htm", "notes.txt"});
    ZipPage().a_AddSelected->trigger();
    Services.Messages.clear();
    ZipPage().a_AddToCurrentZip->trigger();
    EXPECT_EQ(Services.Messages, Lines{"Successfully zipped 2 files of 2."});
    EXPECT_EQ(StoredNames(archive), (Lines{"site/a.htm", "site/b.htm", "site/notes.txt"}));
    const auto content = RunCommand("unzip -p " + ShellQuote(archive.string()) + " site/a.htm");
    EXPECT_EQ(content.Output, "<p>a, second edition</p>");
    ExpectPeersAccept(archive);
}

TEST_F(ZipPageTest, AddingToAnExistingZipTakesTheChosenNameWithZipExtension) {
    ZipPage().a_AddAll->trigger();
    const fs::path chosen = Scratch() / "data.bin";
    mobrel::test::WriteFileText(chosen, "not an archive");
    Services.DialogAnswers = {chosen.string()};
    ZipPage().a_zOpenExisting->trigger();
    const fs::path archive = Scratch() / "data.zip";
    EXPECT_EQ(CurrentArchive(), archive.string());
    ExpectPeersAccept(archive);
    EXPECT_EQ(mobrel::test::ReadFileBytes(chosen).size(), 14u);
    ASSERT_EQ(Services.DialogRequests.size(), 1u);
    EXPECT_EQ(Services.DialogRequests[0].Title, "Add files to Existing Zip");
    EXPECT_TRUE(Services.DialogRequests[0].MustExist);
}

TEST_F(ZipPageTest, AnEmptyListZipsNothingButRemembersTheArchiveAgain) {
    SaveLastFilename("/nowhere/old.zip");
    Form().Zipper1.SetZipName((Scratch() / "earlier.zip").string());
    ZipPage().MakeZip((Scratch() / "empty.zip").string());
    EXPECT_EQ(Services.Messages, Lines{"Please select some files to add."});
    EXPECT_FALSE(fs::exists(Scratch() / "empty.zip"));
    EXPECT_EQ(LastFilename(), (Scratch() / "earlier.zip").string());
}

TEST_F(ZipPageTest, AListLineWithAWildcardZipsEveryMatchingFileOfThatFolderOnly) {
    ZipPage().AddToList((site_ / "*.htm").string());
    ZipPage().SetRelativeFolder(Scratch().string());
    Services.DialogAnswers = {(Scratch() / "wild.zip").string()};
    ZipPage().a_new->trigger();
    EXPECT_EQ(StoredNames(Scratch() / "wild.zip"), (Lines{"site/a.htm", "site/b.htm"}));
}

TEST_F(ZipPageTest, SavedListIsWrittenWithCrLfAndLoadsBack) {
    ZipPage().a_AddAll->trigger();
    const fs::path list = Scratch() / "pages.zkj";
    Services.DialogAnswers = {list.string()};
    ZipPage().a_saveFileList->trigger();
    const std::string expected =
        (site_ / "a.htm").string() + "\r\n" + (site_ / "b.htm").string() + "\r\n";
    EXPECT_EQ(mobrel::test::ReadFileBytes(list),
              std::vector<uint8_t>(expected.begin(), expected.end()));
    EXPECT_EQ(Services.DialogRequests.back().Title, "Save a list of files");

    mobrel::test::WriteFileText(list, "/z/last\n\n/a/first");
    Services.DialogAnswers = {list.string()};
    ZipPage().a_loadList->trigger();
    EXPECT_EQ(ZipPage().FilesToZip(), (Lines{"", "/a/first", "/z/last"}));
    EXPECT_EQ(Services.DialogRequests.back().Title, "Open a list of files");
}

TEST_F(ZipPageTest, AListThatCannotBeReadLeavesTheListAsItWas) {
    ZipPage().a_AddAll->trigger();
    Services.DialogAnswers = {(Scratch() / "missing.zkj").string()};
    ZipPage().a_loadList->trigger();
    EXPECT_EQ(ZipPage().FilesToZip().size(), 2u);
    ASSERT_EQ(Services.Messages.size(), 1u);
    EXPECT_EQ(Services.Messages[0].rfind("Cannot open file", 0), 0u) << Services.Messages[0];
}

TEST_F(ZipPageTest, DoubleClickAndADropFromTheFileListAddTheSelectedFiles) {
    Select({"b.htm"});
    emit ZipPage().FileListBox1->itemDoubleClicked(ZipPage().FileListBox1->selectedItems().front());
    ZipPage().ListBox1->OnFileListDrop();
    EXPECT_EQ(ZipPage().FilesToZip(), Lines(2, (site_ / "b.htm").string()));
}

TEST_F(ZipPageTest, RelDirTakesTheChosenFolderAndCreatesATypedOneAfterAsking) {
    Services.DialogAnswers = {Scratch().string()};
    ZipPage().ChooseRelativeFolder();
    EXPECT_EQ(ZipPage().RelativeFolder(), Scratch().string() + "/");
    EXPECT_EQ(ZipPage().Folder(), Scratch().string());

    const fs::path typed = Scratch() / "out" / "pages";
    Services.DialogAnswers = {typed.string()};
    Services.Answers = {TMsgAnswer::Yes};
    ZipPage().ChooseRelativeFolder();
    EXPECT_TRUE(fs::is_directory(typed));
    EXPECT_EQ(Services.Messages, Lines{"The specified directory does not exist. Create it?"});
    EXPECT_EQ(ZipPage().RelativeFolder(), typed.string() + "/");
}

TEST_F(ZipPageTest, CancelledRelDirKeepsAnExistingFolderElseProposesTheCurrentOne) {
    ZipPage().ChooseRelativeFolder();
    EXPECT_EQ(ZipPage().RelativeFolder(), site_.string() + "/");
    ZipPage().SetRelativeFolder(Scratch().string());
    ZipPage().ChooseRelativeFolder();
    EXPECT_EQ(ZipPage().RelativeFolder(), Scratch().string());
    // A typed folder the user then declines to create counts as cancelled.
    ZipPage().SetRelativeFolder("/no/such/folder");
    Services.DialogAnswers = {(Scratch() / "declined").string()};
    ZipPage().ChooseRelativeFolder();
    EXPECT_FALSE(fs::exists(Scratch() / "declined"));
    EXPECT_EQ(ZipPage().RelativeFolder(), site_.string() + "/");
}

TEST_F(ZipPageTest, SavingTheEntryListWritesEachRowsPathNameAndSizes) {
    ZipPage().SetRelativeFolder(Scratch().string());
    const fs::path archive = ZipAllInto("names.zip");
    Form().ShowUnzipPage();
    ASSERT_EQ(UnzipPage().EntryList->RowCount(), 2);
    const fs::path list = Scratch() / "names.zkj";
    Services.DialogAnswers = {list.string()};
    UnzipPage().a_saveUnzipFileList->trigger();
    const fs::path script = Scratch() / "rows.py";
    mobrel::test::WriteFileText(script, R"(import sys, zipfile
for i in zipfile.ZipFile(sys.argv[1]).infolist():
    folder, _, name = i.filename.rpartition("/")
    sys.stdout.write("%s/ %s %d %d\r\n" % (folder, name, i.file_size, i.compress_size))
)");
    const auto expected =
        RunCommand("python3 " + ShellQuote(script.string()) + " " + ShellQuote(archive.string()));
    ASSERT_EQ(expected.ExitCode, 0) << expected.Output;
    const auto written = mobrel::test::ReadFileBytes(list);
    EXPECT_EQ(std::string(written.begin(), written.end()), expected.Output);
    EXPECT_EQ(expected.Output.substr(0, 17), "site/ a.htm 8 8\r\n");
}

TEST_F(ZipPageTest, EscapeDuringAZipLeavesTheArchiveAsItWasAndReportsTheCancel) {
    const fs::path archive = ZipAllInto("kept.zip");
    const auto before = mobrel::test::ReadFileBytes(archive);
    mobrel::test::WriteFileText(site_ / "a.htm", "changed");
    Services.Messages.clear();
    Services.OnProcessMessages = [this] {
        if (Form().OperationRunning()) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(&Form(), &escape);
        }
    };
    ZipPage().a_AddToCurrentZip->trigger();
    Services.OnProcessMessages = nullptr;
    EXPECT_EQ(Services.Messages, Lines{"User Aborted Operation"});
    EXPECT_EQ(mobrel::test::ReadFileBytes(archive), before);
    EXPECT_FALSE(Form().OperationRunning());
    EXPECT_EQ(ZipPage().FilesToZip().size(), 2u);
    EXPECT_EQ(CurrentArchive(), archive.string());
}

}  // namespace
