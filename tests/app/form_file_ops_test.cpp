#include "form_file_ops.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "scripted_services.h"
#include "temporary_trash.h"

namespace {

namespace fs = std::filesystem;
using mobrel::TMsgAnswer;

// The window shown beside a main window whose folder is a scratch folder holding two files.
class FormFileOpsTest : public ::testing::Test {
  protected:
    FormFileOpsTest() : startDir_(fs::current_path()), folder_(trash_.Scratch() / "site") {
        fs::create_directories(folder_);
        mobrel::test::WriteFileText(folder_ / "a.htm", "a");
        mobrel::test::WriteFileText(folder_ / "b.txt", "b");
        form_.OnGetMainFolder = [this] { return folder_.string(); };
        form_.OnDirectoryCreated = [this](const std::string& path) { created_.push_back(path); };
        form_.OnCheckCurrentArchive = [this] { ++archiveChecks_; };
        form_.OnRereadMainViews = [this] { ++rereads_; };
        form_.show();
    }
    ~FormFileOpsTest() override {
        form_.hide();
        fs::current_path(startDir_);
    }

    void FocusFile(const std::string& name) {
        const auto items =
            form_.FileListBox1->findItems(QString::fromStdString(name), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        form_.FileListBox1->setCurrentItem(items.front());
    }

    fs::path startDir_;
    TTemporaryTrash trash_;
    TScriptedServices services_;
    fs::path folder_;
    TFormFileOps form_;
    std::vector<std::string> created_;
    int archiveChecks_ = 0;
    int rereads_ = 0;
};

TEST_F(FormFileOpsTest, ShowingStartsFromTheMainFolderWithEmptyBoxesAndRulesApplied) {
    EXPECT_EQ(form_.windowTitle(), "Tollan's File Operations");
    EXPECT_EQ(form_.Folder(), folder_.string());
    EXPECT_EQ(form_.FileListBox1->count(), 2);
    EXPECT_TRUE(form_.Edit1->text().isEmpty());
    EXPECT_TRUE(form_.Edit2->text().isEmpty());
    EXPECT_FALSE(form_.a_DelFile->isEnabled());
    EXPECT_FALSE(form_.a_CreateDir->isEnabled());
    form_.Edit1->setText("new");
    EXPECT_TRUE(form_.a_CreateDir->isEnabled());
    FocusFile("a.htm");
    EXPECT_TRUE(form_.a_DelFile->isEnabled());
    EXPECT_EQ(form_.Edit2->text().toStdString(), (folder_ / "a.htm").string());
}

TEST_F(FormFileOpsTest, DeletingTheFocusedFileSendsItToTheTrash) {
    FocusFile("a.htm");
    const std::string path = (folder_ / "a.htm").string();
    services_.Answers = {TMsgAnswer::Yes};
    form_.a_DelFile->trigger();
    EXPECT_EQ(services_.Messages,
              (std::vector<std::string>{"Send the file to the recycle bin?",
                                        "Successfully sent: \n" + path + " to recycle bin."}));
    EXPECT_TRUE(trash_.Holds("a.htm"));
    EXPECT_EQ(form_.FileListBox1->count(), 1);
    EXPECT_TRUE(form_.Edit2->text().isEmpty());
    EXPECT_EQ(services_.BusyDepth, 0);
}

TEST_F(FormFileOpsTest, AnsweringNoOrATypedMissingFileKeepsEverything) {
    FocusFile("a.htm");
    form_.a_DelFile->trigger();  // answered No
    form_.Edit2->setText(QString::fromStdString((folder_ / "gone.txt").string()));
    services_.Answers = {TMsgAnswer::Yes};
    form_.a_DelFile->trigger();
    EXPECT_EQ(services_.Messages,
              (std::vector<std::string>{"Send the file to the recycle bin?", "Delete cancelled",
                                        "Send the file to the recycle bin?",
                                        "Please enter a valid file."}));
    EXPECT_EQ(form_.FileListBox1->count(), 2);
}

TEST_F(FormFileOpsTest, CreatesOneFolderBelowItsOwnFolder) {
    form_.Edit1->setText("images");
    form_.a_CreateDir->trigger();
    const std::string path = (folder_ / "images").string();
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(services_.Messages,
              std::vector<std::string>{"Successfully created directory: \n" + path});
    EXPECT_EQ(created_, std::vector<std::string>{path});
    // A folder that exists already shows nothing at all.
    form_.a_CreateDir->trigger();
    EXPECT_EQ(services_.Messages.size(), 1u);
}

TEST_F(FormFileOpsTest, ATwoLevelFolderBelowAMissingOneFailsWithCannotCreate) {
    form_.Edit1->setText("missing/two");
    form_.a_CreateDir->trigger();
    const std::string path = folder_.string() + "/missing/two";
    EXPECT_EQ(services_.Messages, std::vector<std::string>{"Cannot create " + path});
    EXPECT_FALSE(fs::exists(folder_ / "missing"));
    EXPECT_TRUE(created_.empty());
    form_.Edit1->clear();
    form_.a_CreateDirExecute();
    EXPECT_EQ(services_.Messages.back(), "Please enter a directory name.");
}

TEST_F(FormFileOpsTest, ClosingChecksTheArchiveRereadsTheMainViewsAndReturnsToTheMainFolder) {
    form_.DirectoryListBox1->SetDirectory(trash_.Scratch().string());
    EXPECT_EQ(fs::current_path(), trash_.Scratch());
    form_.reject();
    EXPECT_EQ(archiveChecks_, 1);
    EXPECT_EQ(rereads_, 1);
    EXPECT_EQ(fs::current_path(), folder_);
}

TEST_F(FormFileOpsTest, ClosingAfterItsFolderWentMovesItsTreeUpInstead) {
    fs::create_directories(folder_ / "sub");
    form_.DirectoryListBox1->SetDirectory((folder_ / "sub").string());
    fs::current_path(trash_.Scratch());
    fs::remove(folder_ / "sub");
    form_.reject();
    EXPECT_EQ(archiveChecks_, 1);
    EXPECT_EQ(rereads_, 0);
    EXPECT_EQ(form_.Folder(), folder_.string());
}

}  // namespace
