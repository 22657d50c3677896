// Start-up of the main window: the remembered archive, the command line, the page switch.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

#include <QCoreApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>

#include "entry_list_model.h"
#include "main_window_fixture.h"

namespace {

std::vector<std::string> MenuTitles(QMenuBar* bar) {
    std::vector<std::string> titles;
    for (QAction* action : bar->actions()) {
        titles.push_back(action->text().toStdString());
    }
    return titles;
}

TEST_F(MainWindowTest, FirstStartWithoutSettingsShowsAnEmptyUnzipPage) {
    TForm1& form = Start();
    EXPECT_FALSE(form.ZipPageShown());
    EXPECT_TRUE(form.CurrentArchive().empty());
    EXPECT_EQ(UnzipPage().EntryList->RowCount(), 0);
    EXPECT_EQ(MenuTitles(form.menuBar()), (std::vector<std::string>{"&File", "&Actions", "&Help"}));
    // The start-up's caption stands until the window is first activated.
    EXPECT_EQ(form.windowTitle().toStdString(), "Tollan's Mobrel Version 1.400");
    form.FormActivate();
    EXPECT_EQ(form.windowTitle().toStdString(), "Tollan's Mobrel - Unzip a File");
    EXPECT_TRUE(Services.Messages.empty());
}

namespace fs = std::filesystem;

constexpr const char* kArchive = "m08-deflate-winzip--commons-compress.zip";

std::vector<std::string> PopupCaptions(QMenu* menu) {
    std::vector<std::string> captions;
    for (QAction* action : menu->actions()) {
        captions.push_back(action->text().toStdString());
    }
    return captions;
}

TEST_F(MainWindowTest, RememberedArchiveIsListedAtOnceWithBothTreesInItsFolder) {
    fs::create_directories(Scratch() / "zips");
    const std::string archive = CopyTestArchive(kArchive, "zips/site.zip");
    RememberArchive(archive);
    TForm1& form = Start();
    EXPECT_EQ(form.CurrentArchive(), archive);
    EXPECT_EQ(UnzipPage().EntryList->RowCount(), form.Zipper1.Count());
    EXPECT_GT(UnzipPage().EntryList->RowCount(), 0);
    EXPECT_EQ(ZipPage().Folder(), (Scratch() / "zips").string());
    EXPECT_EQ(UnzipPage().Folder(), (Scratch() / "zips").string());
    EXPECT_EQ(UnzipPage().Edit4->text().toStdString(), (Scratch() / "zips").string());
    EXPECT_TRUE(Services.Messages.empty());
}

TEST_F(MainWindowTest, RememberedArchiveThatWasDeletedLeavesItsFolderShown) {
    fs::create_directories(Scratch() / "gone");
    RememberArchive((Scratch() / "gone" / "old.zip").string());
    TForm1& form = Start();
    EXPECT_TRUE(form.CurrentArchive().empty());
    EXPECT_EQ(UnzipPage().EntryList->RowCount(), 0);
    EXPECT_EQ(ZipPage().Folder(), (Scratch() / "gone").string());
    EXPECT_EQ(UnzipPage().Folder(), (Scratch() / "gone").string());
    EXPECT_TRUE(Services.Messages.empty());
}

TEST_F(MainWindowTest, CommandLineTextFileIsRefusedAndTheStartGoesOn) {
    mobrel::test::WriteFileText(Scratch() / "notes.txt", "text");
    const std::string archive = CopyTestArchive(kArchive);
    RememberArchive(archive);
    TForm1& form = Start({QString::fromStdString((Scratch() / "notes.txt").string())});
    EXPECT_EQ(Services.Messages, std::vector<std::string>{"This is not a zip file."});
    EXPECT_EQ(form.CurrentArchive(), archive);
    EXPECT_GT(UnzipPage().EntryList->RowCount(), 0);
}

TEST_F(MainWindowTest, CommandLineArchiveInCapitalsIsOpenedAndRemembered) {
    fs::create_directories(Scratch() / "in");
    const std::string archive = CopyTestArchive(kArchive, "in/B.ZIP");
    TForm1& form = Start({QString::fromStdString(archive)});
    EXPECT_TRUE(Services.Messages.empty());
    EXPECT_FALSE(form.ZipPageShown());
    EXPECT_EQ(form.CurrentArchive(), archive);
    EXPECT_EQ(UnzipPage().EntryList->RowCount(), form.Zipper1.Count());
    EXPECT_EQ(ZipPage().Folder(), (Scratch() / "in").string());
    EXPECT_EQ(RememberedArchive(), archive);
}

TEST_F(MainWindowTest, ARelativeArchiveNameStillNamesItAfterTheFolderChanges) {
    fs::create_directories(Scratch() / "in");
    fs::create_directories(Scratch() / "elsewhere");
    const std::string archive = CopyTestArchive(kArchive, "in/b.zip");
    TForm1& form = Start({"in/./b.zip"});  // the tests run in the scratch folder
    EXPECT_EQ(form.CurrentArchive(), archive);
    UnzipPage().ShowFolder((Scratch() / "elsewhere").string());
    form.UpdateActions();
    EXPECT_TRUE(UnzipPage().a_uOpenCurrent->isEnabled());
    EXPECT_TRUE(UnzipPage().a_unZipAll->isEnabled());
}

TEST_F(MainWindowTest, PageSwitchSetsMenusCaptionsStatusAndPopup) {
    const std::string archive = CopyTestArchive(kArchive);
    RememberArchive(archive);
    TForm1& form = Start();
    EXPECT_EQ(PopupCaptions(form.PopupMenu5),
              (std::vector<std::string>{"Open a File to Unzip", "Re-open Current Zip File"}));
    ZipPage().SetRelativeFolder("leftover");
    form.ShowZipPage();
    EXPECT_TRUE(ZipPage().RelativeFolder().empty());
    EXPECT_EQ(&form.ShownMainMenu(), &form.MainMenu1);
    EXPECT_EQ(MenuTitles(form.menuBar()),
              (std::vector<std::string>{"&File", "&Edit", "&Actions", "&Help"}));
    EXPECT_EQ(form.windowTitle().toStdString(), "Tollan's Mobrel - Make a Zip File");
    EXPECT_EQ(form.StatusPanel0->text().toStdString(), "Files to Zip: 0");
    EXPECT_EQ(form.StatusPanel1->text().toStdString(), "Current File Name: " + archive);
    EXPECT_EQ(PopupCaptions(form.PopupMenu5),
              (std::vector<std::string>{"Create New Zip", "Add Files to Current Zip",
                                        "Add Files to Existing Zip File"}));
    // Activation (after a side window closes) uses the shorter caption.
    form.FormActivate();
    EXPECT_EQ(form.windowTitle().toStdString(), "Make a Zip File");

    // Back on the Unzip page the archive is read again: gone now, so the page empties.
    fs::remove(archive);
    form.ShowUnzipPage();
    EXPECT_EQ(&form.ShownMainMenu(), &form.MainMenu2);
    EXPECT_EQ(form.windowTitle().toStdString(), "Tollan's Mobrel - Unzip a File");
    EXPECT_TRUE(form.CurrentArchive().empty());
    EXPECT_EQ(UnzipPage().EntryList->RowCount(), 0);
    EXPECT_TRUE(Services.Messages.empty());
}

TEST_F(MainWindowTest, DroppedTextFileIsRefusedAndEmptiesTheCurrentArchive) {
    const std::string archive = CopyTestArchive(kArchive);
    RememberArchive(archive);
    TForm1& form = Start();
    mobrel::test::WriteFileText(Scratch() / "page.txt", "text");
    form.DropFile((Scratch() / "page.txt").string());
    EXPECT_EQ(Services.Messages, std::vector<std::string>{"Please open a file to zip"});
    EXPECT_TRUE(form.CurrentArchive().empty());
    EXPECT_EQ(UnzipPage().EntryList->RowCount(), 0);
}

TEST_F(MainWindowTest, DroppedArchiveFromTheDesktopIsOpenedOnTheUnzipPage) {
    TForm1& form = Start();
    form.ShowZipPage();
    const std::string archive = CopyTestArchive(kArchive);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(archive))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &drop);
    EXPECT_FALSE(form.ZipPageShown());
    EXPECT_EQ(form.CurrentArchive(), archive);
    EXPECT_GT(UnzipPage().EntryList->RowCount(), 0);
}

TEST_F(MainWindowTest, FolderTreesStayPaired) {
    fs::create_directories(Scratch() / "a" / "b");
    Start();
    ZipPage().ShowFolder((Scratch() / "a" / "b").string());
    EXPECT_EQ(UnzipPage().Folder(), (Scratch() / "a" / "b").string());
    EXPECT_EQ(UnzipPage().Edit4->text().toStdString(), (Scratch() / "a" / "b").string());
    EXPECT_EQ(fs::current_path(), Scratch() / "a" / "b");
    UnzipPage().ShowFolder((Scratch() / "a").string() + "/");
    EXPECT_EQ(ZipPage().Folder(), (Scratch() / "a").string());
}

TEST_F(MainWindowTest, ActionsCarryTheirCaptionsAndHints) {
    TForm1& form = Start();
    EXPECT_EQ(UnzipPage().a_unZipAll->text().toStdString(), "Unzip All Files in Zip File");
    EXPECT_EQ(UnzipPage().a_unZipAll->toolTip().toStdString(),
              "Unzip All Files into the Current Directory");
    EXPECT_EQ(UnzipPage().a_uFix->toolTip().toStdString(),
              "Tries to extract any uncorrupt files from an incomplete zip");
    EXPECT_EQ(UnzipPage().a_openUnzip->toolTip().toStdString(), "Open an Existing Files to Unzip");
    EXPECT_EQ(PopupCaptions(form.PopupMenu4),
              (std::vector<std::string>{"Open a File to Unzip", "Re-open Current Zip File", "", "",
                                        "Unzip Selected Files", "Unzip All Files in Zip File",
                                        "Test Zip File", "Delete Selected Files in Zip", "",
                                        "Save List of Filenames..."}));
    EXPECT_EQ(PopupCaptions(form.PopupMenu1),
              (std::vector<std::string>{"File Operations ...", "", "&Update Files",
                                        "&Delete Directory ...", "New Directory ..."}));
}

}  // namespace
