// Recycling, new folders and the File Operations window, reached from the main window.
#include <gtest/gtest.h>

#include "form_file_ops.h"
#include "zip_page_fixture.h"

namespace {

using namespace zip_page_test;

TEST_F(ZipPageTest, RecyclingTheCurrentArchiveForgetsItAndTheList) {
    const fs::path archive = ZipAllInto("gone.zip");
    ASSERT_TRUE(ZipPage().ChooseFilter("All Files"));
    ZipPage().ShowFolder(Scratch().string());
    ASSERT_TRUE(ZipPage().FocusFile("gone.zip"));
    Services.Messages.clear();
    Services.Answers = {TMsgAnswer::Yes};
    Form().delFile(*ZipPage().FileListBox1);
    EXPECT_EQ(Services.Messages.back(),
              "Successfully sent: \n" + archive.string() + " to recycle bin.");
    EXPECT_TRUE(trash_.Holds("gone.zip"));
    EXPECT_TRUE(CurrentArchive().empty());
    EXPECT_EQ(ZipPage().FilesToZip().size(), 0u);
}

TEST_F(ZipPageTest, RecyclingAFolderMovesTheTreesToItsParent) {
    Services.Answers = {TMsgAnswer::Yes};
    EXPECT_TRUE(Form().deleteDir(site_.string()));
    EXPECT_TRUE(trash_.Holds("site"));
    EXPECT_EQ(ZipPage().Folder(), Scratch().string());
    EXPECT_EQ(UnzipPage().Folder(), Scratch().string());
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
    Form().NewDirectory1->trigger();
    EXPECT_EQ(proposed, site_.string() + "/");
    EXPECT_TRUE(fs::is_directory(fresh));
    EXPECT_EQ(ZipPage().Folder(), fresh);

    const std::string twoLevels = (site_ / "missing" / "two").string();
    SetInputBoxHandler(
        [&](const std::string&, const std::string&, const std::string&) { return twoLevels; });
    Form().NewDirectory1->trigger();
    EXPECT_EQ(Services.Messages.back(), "Cannot create " + twoLevels);
    EXPECT_FALSE(fs::exists(site_ / "missing"));
}

TEST_F(ZipPageTest, TheFileOperationsWindowStartsAtTheMainFolderAndHandsBackItsChanges) {
    const fs::path archive = ZipAllInto("ops.zip");
    Services.Messages.clear();
    OnModal = [&](QDialog& window) {
        auto& ops = dynamic_cast<TFormFileOps&>(window);
        ops.show();
        EXPECT_EQ(ops.Folder(), Scratch().string());
        ops.Edit1->setText("made");
        ops.a_CreateDir->trigger();
        const auto items = ops.FileListBox1->findItems("ops.zip", Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        ops.FileListBox1->setCurrentItem(items.front());
        Services.Answers = {TMsgAnswer::Yes};
        ops.a_DelFile->trigger();
        ops.reject();
    };
    Form().FileOperations1->trigger();
    ASSERT_EQ(ShownWindows.size(), 1u);
    EXPECT_EQ(Services.Messages.back(),
              "Successfully sent: \n" + archive.string() + " to recycle bin.");
    EXPECT_TRUE(trash_.Holds("ops.zip"));
    // The new folder is shown by both trees; the archive that went is forgotten.
    EXPECT_EQ(UnzipPage().Folder(), (Scratch() / "made").string());
    EXPECT_EQ(ZipPage().Folder(), (Scratch() / "made").string());
    EXPECT_EQ(fs::current_path(), Scratch() / "made");
    EXPECT_TRUE(CurrentArchive().empty());
    EXPECT_EQ(ZipPage().FilesToZip().size(), 0u);
}

TEST_F(ZipPageTest, UpdateFilesShowsFilesThatAppearedSinceTheLastRead) {
    mobrel::test::WriteFileText(site_ / "late.htm", "late");
    const auto listed = [this] {
        const Lines names = ZipPage().FolderFiles();
        return std::count(names.begin(), names.end(), "late.htm");
    };
    EXPECT_EQ(listed(), 0);
    Form().UpdateFiles1->trigger();
    EXPECT_EQ(listed(), 1);
}

}  // namespace
