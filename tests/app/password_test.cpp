// Passwords in the window: one typed to read an archive serves that archive only, is never
// used to write, is called invalid only once it has failed, and the password window can be
// cancelled to skip an entry.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "form_password.h"
#include "format/zip_header_info.h"
#include "zip_page_fixture.h"

namespace zip_page_test {
namespace {

constexpr const char* kEncryptedArchive = "enc-zipcrypto-stored-8files-pw-test--sharpcompress.zip";
constexpr const char* kRightPassword = "test";

fs::path StubBesideTheTests() {
    return fs::path(QCoreApplication::applicationDirPath().toStdString()) / "ZipSFX32.bin";
}

// How many entries of the archive are encrypted, as a fresh engine reads it.
int EncryptedEntries(const fs::path& archive) {
    mobrel::TUnZipper reader;
    reader.SetZipName(archive.string());
    reader.ReadZip();
    int encrypted = 0;
    for (int i = 0; i < reader.Count(); ++i) {
        encrypted += reader.EntryInfo(i).IsEncrypted() ? 1 : 0;
    }
    return encrypted;
}

// The peer's test with no password to give: any encrypted entry fails it.
void ExpectTestsWithoutPassword(const fs::path& archive) {
    const auto result = RunCommand("unzip -tqq " + ShellQuote(archive.string()) + " </dev/null");
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
}

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        if (item.is_regular_file()) {
            files.push_back(item.path().filename().string());
        }
    }
    return files;
}

class PasswordTest : public ZipPageTest {
  protected:
    PasswordTest() {
        fs::create_directories(Out());
        encrypted_ = CopyTestArchive(kEncryptedArchive);
    }
    fs::path Out() const { return Scratch() / "out"; }

    // Opens the encrypted archive on the Unzip page and extracts it all, the password
    // window answered by answers in turn (an empty answer cancels the window).
    void UnzipAllAnswering(std::vector<std::string> answers) {
        Form().ShowUnzipPage();
        UnzipPage().ShowFolder(Out().string());
        UnzipPage().OpenArchive(encrypted_);
        Services.Messages.clear();
        asked_.clear();
        OnModal = [this, answers](QDialog& window) {
            auto& password = dynamic_cast<TFormPassword&>(window);
            asked_.push_back(
                {password.windowTitle().toStdString(), password.Edit1->text().toStdString()});
            const size_t turn = asked_.size() - 1;
            const std::string answer = turn < answers.size() ? answers[turn] : "";
            if (answer.empty()) {
                password.reject();
            } else {
                password.Edit1->setText(QString::fromStdString(answer));
            }
        };
        Form().UpdateActions();
        UnzipPage().a_unZipAll->trigger();
        OnModal = nullptr;
    }

    struct TQuestion {
        std::string Title;
        std::string ShownText;  // what the box held when it appeared
    };
    std::vector<TQuestion> asked_;
    std::string encrypted_;
};

TEST_F(PasswordTest, APasswordGivenToExtractNeverEncryptsWhatTheZipPageWrites) {
    UnzipAllAnswering({kRightPassword});
    ASSERT_EQ(FilesIn(Out()).size(), 8u);
    ASSERT_EQ(Form().Zipper1.Password(), kRightPassword);

    Form().ShowZipPage();
    ZipPage().ShowFolder(site_.string());
    const fs::path archive = ZipAllInto("pages.zip");
    ASSERT_TRUE(fs::exists(archive));
    EXPECT_EQ(EncryptedEntries(archive), 0);
    ExpectTestsWithoutPassword(archive);

    ASSERT_TRUE(fs::exists(StubBesideTheTests()));
    const fs::path program = Scratch() / "pages.exe";
    Services.DialogAnswers = {program.string()};
    ZipPage().a_zMakeEXE->trigger();
    ASSERT_TRUE(fs::exists(program));
    ExpectTestsWithoutPassword(program);

    // Another archive opened starts without it, and so does the password window.
    Form().ShowUnzipPage();
    UnzipPage().OpenArchive(archive.string());
    EXPECT_TRUE(Form().Zipper1.Password().empty());
}

TEST_F(PasswordTest, TheArchiveItWasGivenForKeepsIt) {
    UnzipAllAnswering({kRightPassword});
    fs::remove_all(Out());
    fs::create_directories(Out());
    UnzipAllAnswering({});
    EXPECT_TRUE(asked_.empty());
    EXPECT_EQ(FilesIn(Out()).size(), 8u);
}

TEST_F(PasswordTest, ARightPasswordIsNeverCalledInvalid) {
    UnzipAllAnswering({kRightPassword});
    EXPECT_EQ(asked_.size(), 1u);
    EXPECT_EQ(Services.Messages, Lines{"Successfully unzipped 8 files."});
}

TEST_F(PasswordTest, AWrongPasswordIsCalledInvalidOnceItHasFailed) {
    UnzipAllAnswering({"wrong", kRightPassword});
    ASSERT_EQ(asked_.size(), 2u);
    const std::string first = Form().Zipper1.EntryFileName(0);
    EXPECT_EQ(Services.Messages,
              (Lines{"Invalid Password for file " + first, "Successfully unzipped 8 files."}));

    // The same wrong password twice: said once, and the entry is skipped; the next entries
    // fail with it too, which the user only ever typed for the first.
    encrypted_ = CopyTestArchive(kEncryptedArchive, "again.zip");
    fs::remove_all(Out());
    fs::create_directories(Out());
    UnzipAllAnswering({"wrong", "wrong"});
    EXPECT_EQ(asked_.size(), 9u);
    EXPECT_EQ(Services.Messages,
              (Lines{"Invalid Password for file " + first, "Successfully unzipped 0 files."}));
}

TEST_F(PasswordTest, TheWindowNamesEntryAndArchiveMasksTheTypingAndStartsEmpty) {
    UnzipAllAnswering({kRightPassword});
    ASSERT_EQ(asked_.size(), 1u);
    const std::string entry = Form().Zipper1.EntryFileName(0);
    EXPECT_EQ(asked_[0].Title, "Password for " + entry + " in " + kEncryptedArchive);
    EXPECT_EQ(Form().FormPassword->Edit1->echoMode(), QLineEdit::Password);
    EXPECT_EQ(Form().FormPassword->Label1->text().toStdString(), entry);

    // A copy of the archive is another archive: its window starts empty.
    encrypted_ = CopyTestArchive(kEncryptedArchive, "copy.zip");
    fs::remove_all(Out());
    fs::create_directories(Out());
    UnzipAllAnswering({kRightPassword});
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_[0].ShownText, "");
    EXPECT_EQ(asked_[0].Title, "Password for " + entry + " in copy.zip");
}

TEST_F(PasswordTest, CancelOrEscapeSkipsEachEntryAndLeavesNoFile) {
    UnzipAllAnswering({});
    EXPECT_EQ(asked_.size(), 8u);
    EXPECT_TRUE(FilesIn(Out()).empty());
    EXPECT_EQ(Services.Messages, Lines{"Successfully unzipped 0 files."});

    // Escape reaches the password window, not the running operation.
    UnzipPage().ShowFolder(Out().string());
    Services.Messages.clear();
    int escapes = 0;
    OnModal = [&escapes](QDialog& window) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &escape);
        escapes += window.result() == QDialog::Rejected ? 1 : 0;
    };
    UnzipPage().a_unZipAll->trigger();
    OnModal = nullptr;
    EXPECT_EQ(escapes, 8);
    EXPECT_TRUE(FilesIn(Out()).empty());
    EXPECT_EQ(Services.Messages, Lines{"Successfully unzipped 0 files."});
}

}  // namespace
}  // namespace zip_page_test
