// Passwords in the window: one typed to read an archive serves that archive only, is never
// used to write, is called invalid only once it has failed, and the password window can be
// cancelled to skip an entry.
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "form_encrypt.h"
#include "form_password.h"
#include "form_run_summary.h"
#include "format/zip_header_info.h"
#include "reader/entry_failure.h"
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
        summaries_.clear();
        OnModal = [this, answers](QDialog& window) {
            if (auto* summary = dynamic_cast<TFormRunSummary*>(&window)) {
                summaries_.push_back(summary->Text());
                return;
            }
            auto& password = dynamic_cast<TFormPassword&>(window);
            asked_.push_back({password.windowTitle().toStdString(),
                              password.Edit1->text().toStdString(),
                              password.InvalidLabel->isVisibleTo(&password)});
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
        bool SaidInvalid = false;
    };
    std::vector<TQuestion> asked_;
    Lines summaries_;
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

TEST_F(PasswordTest, AWrongPasswordIsCalledInvalidOnceItHasFailedInTheWindowItself) {
    UnzipAllAnswering({"wrong", kRightPassword});
    ASSERT_EQ(asked_.size(), 2u);
    EXPECT_FALSE(asked_[0].SaidInvalid);
    EXPECT_TRUE(asked_[1].SaidInvalid);
    const std::string first = Form().Zipper1.EntryFileName(0);
    EXPECT_EQ(Form().FormPassword->InvalidLabel->text().toStdString(),
              "Invalid Password for file " + first);
    EXPECT_EQ(Services.Messages, Lines{"Successfully unzipped 8 files."});

    // The same wrong password twice: said once, and the entry is skipped; the next entries
    // fail with it too, which the user only ever typed for the first, and are never called
    // invalid. No message box repeats it.
    encrypted_ = CopyTestArchive(kEncryptedArchive, "again.zip");
    fs::remove_all(Out());
    fs::create_directories(Out());
    UnzipAllAnswering({"wrong", "wrong"});
    ASSERT_EQ(asked_.size(), 9u);
    for (size_t i = 0; i < asked_.size(); ++i) {
        EXPECT_EQ(asked_[i].SaidInvalid, i == 1) << i;
    }
    EXPECT_TRUE(Services.Messages.empty());
    EXPECT_EQ(summaries_, Lines{"Unzipped 0 files; 8 failed or were skipped: 1 wrong password, 7 "
                                "skipped by the user."});
}

TEST_F(PasswordTest, TheWindowNamesEntryAndArchiveMasksTheTypingAndStartsEmpty) {
    UnzipAllAnswering({kRightPassword});
    ASSERT_EQ(asked_.size(), 1u);
    const std::string entry = Form().Zipper1.EntryFileName(0);
    EXPECT_EQ(asked_[0].Title, "Password for " + entry + " in " + kEncryptedArchive);
    EXPECT_EQ(Form().FormPassword->Edit1->echoMode(), QLineEdit::Password);
    EXPECT_EQ(
        Form().FormPassword->Label1->text().toStdString(),
        "Password for " + mobrel::EntryNameWithSlashes(Form().Zipper1.EntryFullName(0)) + ":");

    // A copy of the archive is another archive: its window starts empty.
    encrypted_ = CopyTestArchive(kEncryptedArchive, "copy.zip");
    fs::remove_all(Out());
    fs::create_directories(Out());
    UnzipAllAnswering({kRightPassword});
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_[0].ShownText, "");
    EXPECT_EQ(asked_[0].Title, "Password for " + entry + " in copy.zip");
}

TEST_F(PasswordTest, TheEntryIsNamedByItsWholePathWithSlashes) {
    fs::create_directories(Scratch() / "nest" / "docs" / "inner");
    mobrel::test::WriteFileText(Scratch() / "nest" / "docs" / "inner" / "secret.txt", "s");
    encrypted_ = (Scratch() / "nested.zip").string();
    const auto made =
        RunCommand("cd " + ShellQuote((Scratch() / "nest").string()) + " && zip -q -P test " +
                   ShellQuote(encrypted_) + " docs/inner/secret.txt");
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
    UnzipAllAnswering({"wrong", kRightPassword});
    ASSERT_EQ(asked_.size(), 2u);
    EXPECT_EQ(asked_[0].Title, "Password for docs/inner/secret.txt in nested.zip");
    EXPECT_EQ(Form().FormPassword->Label1->text().toStdString(),
              "Password for docs/inner/secret.txt:");
    EXPECT_EQ(Form().FormPassword->InvalidLabel->text().toStdString(),
              "Invalid Password for file docs/inner/secret.txt");
    EXPECT_EQ(Services.Messages, Lines{"Successfully unzipped 1 files."});
}

TEST_F(PasswordTest, CancelOrEscapeSkipsEachEntryAndLeavesNoFile) {
    UnzipAllAnswering({});
    EXPECT_EQ(asked_.size(), 8u);
    EXPECT_TRUE(FilesIn(Out()).empty());
    EXPECT_TRUE(Services.Messages.empty());
    EXPECT_EQ(summaries_, Lines{"Unzipped 0 files; 8 failed or were skipped: 8 skipped by the "
                                "user."});

    // Escape reaches the password window, not the running operation.
    UnzipPage().ShowFolder(Out().string());
    Services.Messages.clear();
    int escapes = 0;
    OnModal = [&escapes](QDialog& window) {
        if (dynamic_cast<TFormPassword*>(&window) == nullptr) {
            return;
        }
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &escape);
        escapes += window.result() == QDialog::Rejected ? 1 : 0;
    };
    UnzipPage().a_unZipAll->trigger();
    OnModal = nullptr;
    EXPECT_EQ(escapes, 8);
    EXPECT_TRUE(FilesIn(Out()).empty());
    EXPECT_TRUE(Services.Messages.empty());
}

// "Encrypt with a password...": the window asks twice, masked, AES-256 first, and what it
// chooses encrypts the next write only.
class EncryptChoiceTest : public ZipPageTest {
  protected:
    // Triggers the choice and answers its window with the password, confirmation and
    // cipher row; the window's state when it appeared is kept in shown_.
    void Choose(const std::string& password, const std::string& confirmation, int cipherRow) {
        OnModal = [&](QDialog& window) {
            auto& form = dynamic_cast<TFormEncrypt&>(window);
            shown_ = {form.PasswordEdit->text().toStdString(),
                      form.MethodBox->currentText().toStdString(), form.OkButton->isEnabled(),
                      form.PasswordEdit->echoMode() == QLineEdit::Password &&
                          form.ConfirmEdit->echoMode() == QLineEdit::Password};
            form.PasswordEdit->setText(QString::fromStdString(password));
            form.ConfirmEdit->setText(QString::fromStdString(confirmation));
            form.MethodBox->setCurrentIndex(cipherRow);
            okOffered_ = form.OkButton->isEnabled();
            mismatchShown_ = !form.MismatchLabel->isHidden();
            if (!okOffered_) {
                form.reject();  // what a user can do when OK is greyed
            }
        };
        ZipPage().a_encrypt->trigger();
        OnModal = nullptr;
    }

    struct TShown {
        std::string Password;
        std::string Cipher;
        bool OkOffered = false;
        bool Masked = false;
    } shown_;
    bool okOffered_ = false;
    bool mismatchShown_ = false;
};

TEST_F(EncryptChoiceTest, AesIsPreselectedAndEncryptsTheNextWriteOnly) {
    Choose("s3cret", "s3cret", 0);
    EXPECT_EQ(shown_.Password, "");
    EXPECT_EQ(shown_.Cipher, "AES-256");
    EXPECT_FALSE(shown_.OkOffered);
    EXPECT_TRUE(shown_.Masked);
    ASSERT_TRUE(ZipPage().a_encrypt->isChecked());

    const fs::path locked = ZipAllInto("locked.zip");
    ASSERT_TRUE(fs::exists(locked));
    mobrel::TUnZipper reader;
    reader.SetZipName(locked.string());
    reader.ReadZip();
    ASSERT_EQ(reader.Count(), 2);
    for (int i = 0; i < reader.Count(); ++i) {
        EXPECT_TRUE(reader.EntryInfo(i).IsEncrypted());
        EXPECT_EQ(reader.EntryInfo(i).CompressionMethod, 99) << "AES-256 entries";
    }
    const auto right = RunCommand("7zz t -ps3cret " + ShellQuote(locked.string()));
    EXPECT_EQ(right.ExitCode, 0) << right.Output;
    const auto wrong = RunCommand("7zz t -pwrong " + ShellQuote(locked.string()));
    EXPECT_NE(wrong.ExitCode, 0) << wrong.Output;

    // Used up: the next archive is not encrypted, and the reading password is untouched.
    EXPECT_FALSE(ZipPage().a_encrypt->isChecked());
    const fs::path open = ZipAllInto("open.zip");
    EXPECT_EQ(EncryptedEntries(open), 0);
    EXPECT_TRUE(Form().Zipper1.Password().empty());
}

TEST_F(EncryptChoiceTest, TraditionalServesOldReadersAndTheSelfExtractor) {
    Choose("old-reader", "old-reader", 3);
    ASSERT_TRUE(fs::exists(StubBesideTheTests()));
    const fs::path program = Scratch() / "pages.exe";
    Services.DialogAnswers = {program.string()};
    ZipPage().AddAllFiles();
    ZipPage().a_zMakeEXE->trigger();
    ASSERT_TRUE(fs::exists(program));
    EXPECT_EQ(EncryptedEntries(program), 2);
    const auto unzip = RunCommand("unzip -tqq -P old-reader " + ShellQuote(program.string()));
    EXPECT_EQ(unzip.ExitCode, 0) << unzip.Output;
}

TEST_F(EncryptChoiceTest, MismatchCancelAndASecondClickLeaveNothingChosen) {
    Choose("one", "two", 0);
    EXPECT_FALSE(okOffered_);
    EXPECT_TRUE(mismatchShown_);
    EXPECT_FALSE(ZipPage().a_encrypt->isChecked());

    Choose("same", "same", 1);
    ASSERT_TRUE(ZipPage().a_encrypt->isChecked());
    EXPECT_EQ(ZipPage().NextWriteEncryption(), mobrel::TZipEncryption::Aes192);
    ShownWindows.clear();
    ZipPage().a_encrypt->trigger();  // drops the choice without asking
    EXPECT_TRUE(ShownWindows.empty());
    EXPECT_FALSE(ZipPage().a_encrypt->isChecked());
    EXPECT_TRUE(ZipPage().NextWritePassword().empty());
    EXPECT_EQ(EncryptedEntries(ZipAllInto("plain.zip")), 0);
}

}  // namespace
}  // namespace zip_page_test
