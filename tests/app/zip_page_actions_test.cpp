// The Zip page driven through its actions, with scripted dialogs, against the real engine:
// the archives it writes are checked with the peer tools.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <algorithm>
#include <filesystem>

#include "directory_list_box.h"
#include "file_list_box.h"
#include "input_box.h"
#include "main_window_fixture.h"
#include "sorted_list_box.h"
#include "temporary_trash.h"
#include "writer/zipper.h"

namespace {

namespace fs = std::filesystem;
using mobrel::TMsgAnswer;
using mobrel::test::RunCommand;
using mobrel::test::ShellQuote;
using Lines = std::vector<std::string>;

// The names stored in an archive, as the peer tool lists them, sorted.
Lines StoredNames(const fs::path& archive) {
    const auto result = RunCommand("unzip -Z1 " + ShellQuote(archive.string()));
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    Lines names;
    size_t start = 0;
    while (start < result.Output.size()) {
        const size_t end = result.Output.find('\n', start);
        names.push_back(result.Output.substr(start, end - start));
        start = end == std::string::npos ? result.Output.size() : end + 1;
    }
    std::sort(names.begin(), names.end());
    return names;
}

void ExpectPeersAccept(const fs::path& archive) {
    ASSERT_TRUE(mobrel::test::HaveTool("unzip") && mobrel::test::HaveTool("7z"));
    const auto unzip = RunCommand("unzip -t " + ShellQuote(archive.string()));
    EXPECT_EQ(unzip.ExitCode, 0) << unzip.Output;
    const auto sevenZip = RunCommand("7z t " + ShellQuote(archive.string()));
    EXPECT_EQ(sevenZip.ExitCode, 0) << sevenZip.Output;
}

// The main window on the Zip page, its folder a scratch "site" folder with two pages, a text
// file the page's filter hides, and a sub-folder holding a page of the same name.
class ZipPageTest : public MainWindowTest {
  protected:
    ZipPageTest() : site_(Scratch() / "site") {
        fs::create_directories(site_ / "sub");
        mobrel::test::WriteFileText(site_ / "a.htm", "<p>a</p>");
        mobrel::test::WriteFileText(site_ / "b.htm", std::string(5000, 'b'));
        mobrel::test::WriteFileText(site_ / "notes.txt", "not a page");
        mobrel::test::WriteFileText(site_ / "sub" / "a.htm", "<p>sub</p>");
        Start();
        Form().PageControl1->setCurrentWidget(Form().TabSheet1);
        Form().DirectoryListBox1->SetDirectory(site_.string());
        Services.Messages.clear();
    }
    ~ZipPageTest() override { SetInputBoxHandler(nullptr); }

    void Select(const Lines& names) {
        Form().FileListBox1->clearSelection();
        for (const std::string& name : names) {
            const auto items =
                Form().FileListBox1->findItems(QString::fromStdString(name), Qt::MatchExactly);
            ASSERT_EQ(items.size(), 1) << name;
            items.front()->setSelected(true);
        }
    }
    // Zips every listed page of the folder into a new archive named in the save dialog.
    fs::path ZipAllInto(const std::string& archiveName) {
        const fs::path archive = Scratch() / archiveName;
        Form().a_AddAll->trigger();
        Services.DialogAnswers = {archive.string()};
        Form().a_new->trigger();
        return archive;
    }
    std::string CurrentArchive() { return Form().Edit3->text().toStdString(); }

    TTemporaryTrash trash_;
    fs::path site_;
};

TEST_F(ZipPageTest, AddingKeepsFullPathsSortedAndDuplicates) {
    Select({"b.htm", "a.htm"});
    Form().a_AddSelected->trigger();
    Form().a_AddSelected->trigger();
    EXPECT_EQ(Form().ListBox1->Items(),
              (Lines{(site_ / "a.htm").string(), (site_ / "a.htm").string(),
                     (site_ / "b.htm").string(), (site_ / "b.htm").string()}));
    Form().ListBox1->item(0)->setSelected(true);
    Form().ListBox1->item(3)->setSelected(true);
    Form().a_DeleteSelected->trigger();
    EXPECT_EQ(Form().ListBox1->Items(),
              (Lines{(site_ / "a.htm").string(), (site_ / "b.htm").string()}));
    Form().a_clear->trigger();
    EXPECT_EQ(Form().ListBox1->count(), 0);
}

TEST_F(ZipPageTest, CreateNewZipStoresFullFoldersWithoutTheRootAndRemembersTheArchive) {
    const fs::path archive = ZipAllInto("new.zip");
    EXPECT_EQ(Services.Messages, Lines{"Successfully zipped 2 files of 2."});
    ExpectPeersAccept(archive);
    const std::string folder = site_.relative_path().string() + "/";
    EXPECT_EQ(StoredNames(archive), (Lines{folder + "a.htm", folder + "b.htm"}));
    EXPECT_EQ(CurrentArchive(), archive.string());
    EXPECT_EQ(Form().getLastFilename(), archive.string());
    ASSERT_EQ(Services.DialogRequests.size(), 1u);
    EXPECT_EQ(Services.DialogRequests[0].Title, "Create a New Zip File.");
    EXPECT_FALSE(Services.DialogRequests[0].MustExist);
    // The list stays as it was after a successful zip; the engine keeps the page's settings.
    EXPECT_EQ(Form().ListBox1->count(), 2);
    EXPECT_TRUE(Form().Zipper1.RelativePaths());
    EXPECT_TRUE(Form().Zipper1.StorePaths());
    EXPECT_FALSE(Form().Zipper1.Recurse());
    EXPECT_EQ(Form().Zipper1.PackLevel(), 9);
    EXPECT_TRUE(Form().Zipper1.FilesList().empty());
}

TEST_F(ZipPageTest, TheRelativeFolderShortensStoredNamesAndAMissingOneIsIgnored) {
    Form().Edit6->setText(QString::fromStdString(Scratch().string() + "/"));
    const fs::path relative = ZipAllInto("relative.zip");
    EXPECT_EQ(StoredNames(relative), (Lines{"site/a.htm", "site/b.htm"}));
    Form().Edit6->setText(QString::fromStdString((Scratch() / "missing").string()));
    const fs::path absolute = ZipAllInto("absolute.zip");
    const std::string folder = site_.relative_path().string() + "/";
    EXPECT_EQ(StoredNames(absolute), (Lines{folder + "a.htm", folder + "b.htm"}));
    ExpectPeersAccept(relative);
}

TEST_F(ZipPageTest, TheSameFileListedTwiceIsZippedOnce) {
    Select({"a.htm"});
    Form().a_AddSelected->trigger();
    Form().a_AddSelected->trigger();
    Services.DialogAnswers = {(Scratch() / "twice.zip").string()};
    Form().a_new->trigger();
    EXPECT_EQ(Services.Messages, Lines{"Successfully zipped 1 files of 2."});
    EXPECT_EQ(StoredNames(Scratch() / "twice.zip").size(), 1u);
}

TEST_F(ZipPageTest, AddingToTheCurrentZipReplacesEntriesOfTheSameStoredName) {
    Form().Edit6->setText(QString::fromStdString(Scratch().string()));
    const fs::path archive = ZipAllInto("current.zip");
    Form().a_clear->trigger();
    mobrel::test::WriteFileText(site_ / "a.htm", "<p>a, second edition</p>");
    // The save dialog left the folder trees where the archive went.
    EXPECT_EQ(Form().DirectoryListBox1->Directory(), Scratch().string());
    Form().DirectoryListBox1->SetDirectory(site_.string());
    Form().FileListBox1->SetMask("*.*");
    Select({"a.htm", "notes.txt"});
    Form().a_AddSelected->trigger();
    Services.Messages.clear();
    Form().a_AddToCurrentZip->trigger();
    EXPECT_EQ(Services.Messages, Lines{"Successfully zipped 2 files of 2."});
    EXPECT_EQ(StoredNames(archive), (Lines{"site/a.htm", "site/b.htm", "site/notes.txt"}));
    const auto content = RunCommand("unzip -p " + ShellQuote(archive.string()) + " site/a.htm");
    EXPECT_EQ(content.Output, "<p>a, second edition</p>");
    ExpectPeersAccept(archive);
}

TEST_F(ZipPageTest, AddingToAnExistingZipTakesTheChosenNameWithZipExtension) {
    Form().a_AddAll->trigger();
    const fs::path chosen = Scratch() / "data.bin";
    mobrel::test::WriteFileText(chosen, "not an archive");
    Services.DialogAnswers = {chosen.string()};
    Form().a_zOpenExisting->trigger();
    const fs::path archive = Scratch() / "data.zip";
    EXPECT_EQ(CurrentArchive(), archive.string());
    ExpectPeersAccept(archive);
    EXPECT_EQ(mobrel::test::ReadFileBytes(chosen).size(), 14u);
    ASSERT_EQ(Services.DialogRequests.size(), 1u);
    EXPECT_EQ(Services.DialogRequests[0].Title, "Add files to Existing Zip");
    EXPECT_TRUE(Services.DialogRequests[0].MustExist);
}

TEST_F(ZipPageTest, AnEmptyListZipsNothingButRemembersTheArchiveAgain) {
    Form().saveLastFilename("/nowhere/old.zip");
    Form().Zipper1.SetZipName((Scratch() / "earlier.zip").string());
    Form().a_MakeZipExecute((Scratch() / "empty.zip").string());
    EXPECT_EQ(Services.Messages, Lines{"Please select some files to add."});
    EXPECT_FALSE(fs::exists(Scratch() / "empty.zip"));
    EXPECT_EQ(Form().getLastFilename(), (Scratch() / "earlier.zip").string());
}

TEST_F(ZipPageTest, AListLineWithAWildcardZipsEveryMatchingFileOfThatFolderOnly) {
    Form().ListBox1->Add((site_ / "*.htm").string());
    Form().Edit6->setText(QString::fromStdString(Scratch().string()));
    Services.DialogAnswers = {(Scratch() / "wild.zip").string()};
    Form().a_new->trigger();
    EXPECT_EQ(StoredNames(Scratch() / "wild.zip"), (Lines{"site/a.htm", "site/b.htm"}));
}

TEST_F(ZipPageTest, SavedListIsWrittenWithCrLfAndLoadsBack) {
    Form().a_AddAll->trigger();
    const fs::path list = Scratch() / "pages.zkj";
    Services.DialogAnswers = {list.string()};
    Form().a_saveFileList->trigger();
    const std::string expected =
        (site_ / "a.htm").string() + "\r\n" + (site_ / "b.htm").string() + "\r\n";
    EXPECT_EQ(mobrel::test::ReadFileBytes(list),
              std::vector<uint8_t>(expected.begin(), expected.end()));
    EXPECT_EQ(Services.DialogRequests.back().Title, "Save a list of files");

    mobrel::test::WriteFileText(list, "/z/last\n\n/a/first");
    Services.DialogAnswers = {list.string()};
    Form().a_loadList->trigger();
    EXPECT_EQ(Form().ListBox1->Items(), (Lines{"", "/a/first", "/z/last"}));
    EXPECT_EQ(Services.DialogRequests.back().Title, "Open a list of files");
}

TEST_F(ZipPageTest, AListThatCannotBeReadLeavesTheListAsItWas) {
    Form().a_AddAll->trigger();
    Services.DialogAnswers = {(Scratch() / "missing.zkj").string()};
    Form().a_loadList->trigger();
    EXPECT_EQ(Form().ListBox1->count(), 2);
    ASSERT_EQ(Services.Messages.size(), 1u);
    EXPECT_EQ(Services.Messages[0].rfind("Cannot open file", 0), 0u) << Services.Messages[0];
}

TEST_F(ZipPageTest, RecyclingTheCurrentArchiveForgetsItAndTheList) {
    const fs::path archive = ZipAllInto("gone.zip");
    Form().FileListBox1->SetMask("*.*");
    Form().DirectoryListBox1->SetDirectory(Scratch().string());
    const auto items = Form().FileListBox1->findItems("gone.zip", Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    Form().FileListBox1->setCurrentItem(items.front());
    Services.Messages.clear();
    Services.Answers = {TMsgAnswer::Yes};
    Form().delFile(*Form().FileListBox1);
    EXPECT_EQ(Services.Messages.back(),
              "Successfully sent: \n" + archive.string() + " to recycle bin.");
    EXPECT_TRUE(trash_.Holds("gone.zip"));
    EXPECT_TRUE(CurrentArchive().empty());
    EXPECT_EQ(Form().ListBox1->count(), 0);
}

TEST_F(ZipPageTest, RecyclingAFolderMovesTheTreesToItsParent) {
    Services.Answers = {TMsgAnswer::Yes};
    EXPECT_TRUE(Form().deleteDir(site_.string()));
    EXPECT_TRUE(trash_.Holds("site"));
    EXPECT_EQ(Form().DirectoryListBox1->Directory(), Scratch().string());
    EXPECT_EQ(Form().DirectoryListBox2->Directory(), Scratch().string());
    EXPECT_FALSE(Form().deleteDir("/"));
    EXPECT_EQ(Services.Messages.back(), "You cannot delete a root directory or drive.");
}

TEST_F(ZipPageTest, NewDirectoryCreatesOneLevelAndShowsIt) {
    const std::string fresh = (site_ / "fresh").string();
    std::string proposed;
    SetInputBoxHandler(
        [&](const std::string& caption, const std::string&, const std::string& defaultText) {
            EXPECT_EQ(caption, "Enter a new directory");
            proposed = defaultText;
            return fresh;
        });
    Form().createNewDir(*Form().DirectoryListBox1);
    EXPECT_EQ(proposed, site_.string() + "/");
    EXPECT_TRUE(fs::is_directory(fresh));
    EXPECT_EQ(Form().DirectoryListBox1->Directory(), fresh);

    const std::string twoLevels = (site_ / "missing" / "two").string();
    SetInputBoxHandler(
        [&](const std::string&, const std::string&, const std::string&) { return twoLevels; });
    Form().NewDirectory1->trigger();
    EXPECT_EQ(Services.Messages.back(), "Cannot create " + twoLevels);
    EXPECT_FALSE(fs::exists(site_ / "missing"));
}

}  // namespace
