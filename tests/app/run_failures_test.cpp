// The closing message of a run that left entries out (extraction, test, repair): how many
// and why, with the details list a button away; and the password window, which names its
// entry and says in itself that the last password failed.
#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QToolBar>
#include <algorithm>
#include <cstdio>

#include "entry_list_view.h"
#include "form_failure_details.h"
#include "form_password.h"
#include "form_run_summary.h"
#include "format/patched_archive.h"
#include "main_window_fixture.h"

namespace {

namespace fs = std::filesystem;
namespace test = mobrel::test;
using Lines = std::vector<std::string>;

constexpr const char* kGoodArchive = "m08-deflate-infozip30-unix--infozip-gen.zip";
constexpr const char* kDamagedData = "damaged";

std::string Hex8(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

// One sound file, and one entry for each way an entry fails: a wrong CRC, a password
// (right: "right"), a method without a decoder, and a name a folder holds in the
// destination.
test::Bytes MixedArchive() {
    test::ZipBuilder builder;
    builder.Add({"good.txt", "good data"});
    builder.Add({"docs/bad.txt", kDamagedData});
    auto locked = test::MakeEncryptedEntry("private/secret.txt", "secret text", "right");
    builder.Add(locked.Entry);
    builder.Add({"packed.bin", "not really PPMd"});
    builder.Add({"clash", "a file where a folder is"});
    test::Bytes archive = builder.Build();
    test::PatchEntry(archive, 1, test::EntryPatch{.Crc = 0x12345678});
    test::PatchEntry(archive, 2, locked.Patch);
    test::PatchEntry(archive, 3, test::EntryPatch{.Method = 98});
    return archive;
}

class RunFailuresTest : public MainWindowTest {
  protected:
    RunFailuresTest() {
        fs::create_directories(Out() / "clash");
        archive_ = (Scratch() / "mixed.zip").string();
        test::WriteFileBytes(archive_, MixedArchive());
        Start();
        UnzipPage().ShowFolder(Out().string());
        UnzipPage().OpenArchive(archive_);
        Services.Messages.clear();
        OnModal = [this](QDialog& window) { Answer(window); };
    }

    fs::path Out() const { return Scratch() / "out"; }

    void Trigger(QAction* action) {
        Form().UpdateActions();
        ASSERT_TRUE(action->isEnabled()) << action->objectName().toStdString();
        action->trigger();
    }

    // The password windows take PasswordAnswers in turn (none or an empty one cancels);
    // a summary is read and its details opened.
    void Answer(QDialog& window) {
        if (auto* password = dynamic_cast<TFormPassword*>(&window)) {
            Asked.push_back({password->windowTitle().toStdString(),
                             password->Label1->text().toStdString(),
                             password->InvalidLabel->isVisibleTo(password)
                                 ? password->InvalidLabel->text().toStdString()
                                 : ""});
            const std::string answer = PasswordAnswers.empty() ? "" : PasswordAnswers.front();
            if (!PasswordAnswers.empty()) {
                PasswordAnswers.erase(PasswordAnswers.begin());
            }
            if (answer.empty()) {
                password->reject();
            } else {
                password->Edit1->setText(QString::fromStdString(answer));
            }
        } else if (auto* summary = dynamic_cast<TFormRunSummary*>(&window)) {
            Summaries.push_back(summary->Text());
            Details.clear();
            summary->DetailsButton->click();
        } else if (auto* details = dynamic_cast<TFormFailureDetails*>(&window)) {
            for (int row = 0; row < details->Table->rowCount(); ++row) {
                Details.push_back(details->Table->item(row, 0)->text().toStdString() + " | " +
                                  details->Table->item(row, 1)->text().toStdString());
            }
        }
    }

    struct TAsked {
        std::string Title;
        std::string Label;
        std::string Invalid;  // the window's own "Invalid Password" line, when shown
    };
    std::string archive_;
    std::vector<std::string> PasswordAnswers;
    std::vector<TAsked> Asked;
    Lines Summaries;
    Lines Details;
};

const std::string kBadCrcRow =
    "docs/bad.txt | bad CRC " + Hex8(test::Crc32Of(kDamagedData)) + " (should be 12345678)";
const char* const kUnsupportedRow = "packed.bin | compression method 98 (PPMd) is not supported";

TEST_F(RunFailuresTest, UnzipAllSaysHowManyFailedAndWhyAndListsEachEntry) {
    PasswordAnswers = {"wrong", "wrong"};
    Trigger(UnzipPage().a_unZipAll);
    EXPECT_TRUE(Services.Messages.empty()) << "no \"Successfully unzipped\" after failures";
    EXPECT_EQ(Summaries, Lines{"Unzipped 1 files; 4 failed or were skipped: 1 bad CRC, 1 wrong "
                               "password, 1 unsupported method, 1 could not be written."});
    EXPECT_EQ(Details, (Lines{kBadCrcRow, "private/secret.txt | wrong password, skipped",
                              kUnsupportedRow, "clash | could not be written: Is a directory"}));
    EXPECT_TRUE(fs::exists(Out() / "good.txt"));
    EXPECT_FALSE(fs::exists(Out() / "docs" / "bad.txt"));
    EXPECT_FALSE(fs::exists(Out() / "private" / "secret.txt"));

    // Only the sound entry chosen: the plain message as ever.
    Summaries.clear();
    fs::remove(Out() / "good.txt");
    UnzipPage().SelectRows({0});
    Trigger(UnzipPage().a_unzipSel);
    EXPECT_TRUE(Summaries.empty());
    EXPECT_EQ(Services.Messages, Lines{"Successfully unzipped 1 files."});
}

TEST_F(RunFailuresTest, ThePasswordWindowNamesItsEntryAndSaysItselfThatAPasswordFailed) {
    PasswordAnswers = {"wrong", "right"};
    UnzipPage().SelectRows({2});
    Trigger(UnzipPage().a_unzipSel);
    ASSERT_EQ(Asked.size(), 2u);
    EXPECT_EQ(Asked[0].Title, "Password for private/secret.txt in mixed.zip");
    EXPECT_EQ(Asked[0].Label, "Password for private/secret.txt:");
    EXPECT_EQ(Asked[0].Invalid, "");
    EXPECT_EQ(Asked[1].Label, "Password for private/secret.txt:");
    EXPECT_EQ(Asked[1].Invalid, "Invalid Password for file private/secret.txt");
    EXPECT_EQ(Services.Messages, Lines{"Successfully unzipped 1 files."});
    EXPECT_EQ(test::ReadFileBytes(Out() / "private" / "secret.txt").size(), 11u);

    // Declined: the user's skip, not a wrong password; and no message box either way.
    Asked.clear();
    Services.Messages.clear();
    Form().Zipper1.SetPassword("");
    PasswordAnswers = {};
    fs::remove(Out() / "private" / "secret.txt");
    UnzipPage().SelectRows({2});
    Trigger(UnzipPage().a_unzipSel);
    EXPECT_EQ(Asked.size(), 1u);
    EXPECT_TRUE(Services.Messages.empty());
    EXPECT_EQ(Summaries,
              Lines{"Unzipped 0 files; 1 failed or was skipped: 1 skipped by the user."});
    EXPECT_EQ(Details, Lines{"private/secret.txt | skipped by the user"});
}

TEST_F(RunFailuresTest, TestDecodesWithoutWritingAndSumsUpTheSameWay) {
    Trigger(UnzipPage().a_uTest);
    EXPECT_TRUE(Services.Messages.empty());
    EXPECT_EQ(Summaries, Lines{"Tested 5 files, 2 OK; 3 failed or were skipped: 1 bad CRC, 1 "
                               "skipped by the user, 1 unsupported method."});
    EXPECT_EQ(Details,
              (Lines{kBadCrcRow, "private/secret.txt | skipped by the user", kUnsupportedRow}));
    EXPECT_EQ(Asked.size(), 1u);
    EXPECT_TRUE(fs::is_empty(Out() / "clash"));
    EXPECT_EQ(std::distance(fs::directory_iterator(Out()), fs::directory_iterator()), 1);

    // A sound archive: the plain message, every file counted once.
    Summaries.clear();
    UnzipPage().OpenArchive(CopyTestArchive(kGoodArchive));
    int files = 0;
    for (int i = 0; i < Form().Zipper1.Count(); ++i) {
        files += Form().Zipper1.EntryFileName(i).empty() ? 0 : 1;
    }
    Trigger(UnzipPage().a_uTest);
    EXPECT_TRUE(Summaries.empty());
    EXPECT_EQ(Services.Messages, Lines{"Tested " + std::to_string(files) + " files, all OK."});
    EXPECT_EQ(Form().ProgressBar1->value(), 100);
}

TEST_F(RunFailuresTest, TestIsOfferedWhereUnzipAllIsAndEscapeStopsIt) {
    TForm1& form = Form();
    const auto offers = [&](const std::vector<QMenu*>& menus) {
        return std::any_of(menus.begin(), menus.end(), [&](QMenu* menu) {
            return menu->actions().contains(UnzipPage().a_uTest);
        });
    };
    EXPECT_TRUE(offers(form.MainMenu2));
    EXPECT_TRUE(offers({form.PopupMenu4}));
    EXPECT_TRUE(UnzipPage().UnzipToolBar->actions().contains(UnzipPage().a_uTest));
    EXPECT_EQ(UnzipPage().a_uTest->text().toStdString(), "Test Zip File");

    // Escape while the password window is up reaches that window; pressed in the page it
    // stops the run as it stops an extraction.
    OnModal = [&](QDialog& window) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(UnzipPage().ListBox2, &escape);
        dynamic_cast<TFormPassword&>(window).Edit1->setText("right");
    };
    Trigger(UnzipPage().a_uTest);
    EXPECT_EQ(Services.Messages, Lines{"User Aborted Operation"});
    EXPECT_FALSE(form.OperationRunning());
    EXPECT_EQ(form.ProgressBar1->value(), 0);

    UnzipPage().ForgetCurrentArchive();
    Form().UpdateActions();
    EXPECT_FALSE(UnzipPage().a_uTest->isEnabled());
}

TEST_F(RunFailuresTest, FixNamesTheEntriesItLeftOut) {
    const std::string fixed = (Scratch() / "fixed.zip").string();
    Services.DialogAnswers = {fixed};
    Trigger(UnzipPage().a_uFix);
    EXPECT_TRUE(Services.Messages.empty());
    EXPECT_EQ(Summaries, Lines{"Extracted 2 files; 3 failed or were skipped: 1 bad CRC, 1 "
                               "skipped by the user, 1 unsupported method."});
    EXPECT_EQ(Details,
              (Lines{kBadCrcRow, "private/secret.txt | skipped by the user", kUnsupportedRow}));
    EXPECT_EQ(Form().CurrentArchive(), fixed);
}

}  // namespace
