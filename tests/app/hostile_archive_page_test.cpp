// The hostile archives through the Unzip page, as a user would meet them: opened and listed,
// extracted whole, every entry viewed, an entry deleted and the archive repaired. Each
// action ends in a message or a result, never a crash, a hang or a file outside the folder
// the user chose, and the window still opens an honest archive afterwards.
#include <QAction>
#include <QLineEdit>
#include <cstdlib>
#include <iostream>

#include "entry_list_model.h"
#include "form_password.h"
#include "hardening/hostile_archives.h"
#include "main_window_fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr int kViewedRowsPerArchive = 12;

// Joins the messages shown so far into one line for the outcome table.
std::string OneLine(const std::vector<std::string>& messages) {
    std::string line;
    for (const std::string& message : messages) {
        std::string text = message.substr(0, message.find('\n'));
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        line += (line.empty() ? "" : " | ") + text.substr(0, 90);
    }
    return line;
}

class HostileArchivePageTest : public MainWindowTest {
  protected:
    HostileArchivePageTest() {
        fs::create_directories(Out());
        fs::create_directories(ViewFolder());
        fs::create_directories(FixedFolder());
        setenv("TMPDIR", ViewFolder().c_str(), 1);
        // Any password asked for is wrong; the engine must give up by itself.
        OnModal = [](QDialog& window) {
            if (auto* password = dynamic_cast<TFormPassword*>(&window)) {
                password->Edit1->setText("wrong");
            }
        };
    }
    ~HostileArchivePageTest() override { unsetenv("TMPDIR"); }

    // Output and view folders sit a few levels down, so an escape of a few levels, or an
    // absolute name into the probe folder, shows up under their zones.
    fs::path OutZone() const { return Scratch() / "x"; }
    fs::path Out() const { return OutZone() / "a" / "b" / "out"; }
    fs::path ViewZone() const { return Scratch() / "v"; }
    fs::path ViewFolder() const { return ViewZone() / "a" / "b" / "tmp"; }
    fs::path FixedFolder() const { return Scratch() / "fixed"; }

    void TriggerIfEnabled(QAction* action) {
        Form().UpdateActions();
        if (action->isEnabled()) {
            action->trigger();
        }
    }
    // Each row viewed as a double-click views it: as a user's command.
    void ViewRows() {
        const int rows = std::min(UnzipPage().EntryList->RowCount(), kViewedRowsPerArchive);
        for (int row = 0; row < rows; ++row) {
            Form().RunAction([this, row] { UnzipPage().ViewRow(row); });
        }
    }
    void ExpectNothingEscaped(const std::string& step) {
        EXPECT_EQ(mobrel::test::PathsOutside(OutZone(), Out()), std::vector<fs::path>{}) << step;
        EXPECT_EQ(mobrel::test::PathsOutside(ViewZone(), ViewFolder()), std::vector<fs::path>{})
            << step;
        EXPECT_EQ(Services.BusyDepth, 0) << step;
        EXPECT_FALSE(Form().OperationRunning()) << step;
    }
    // What a repair writes passes the peers' tests: unzip's always (it only warns about
    // names of more than 4 KiB), 7z's whenever 7z could read what was repaired (it refuses
    // any archive with a NUL in a name, and the repair keeps names as they are).
    void ExpectRepairPassesPeerTests(const fs::path& original, const fs::path& repaired) {
        if (!fs::exists(repaired) || Form().Zipper1.Count() == 0) {
            return;
        }
        using mobrel::test::RunCommand;
        using mobrel::test::ShellQuote;
        const auto unzip = RunCommand("unzip -tqq " + ShellQuote(repaired.string()));
        const bool onlyLongNames =
            unzip.ExitCode == 1 && unzip.Output.find("filename too long") != std::string::npos;
        EXPECT_TRUE(unzip.ExitCode == 0 || onlyLongNames) << unzip.Output;
        if (RunCommand("7z t -bso0 -bsp0 " + ShellQuote(original.string())).ExitCode == 0) {
            const auto sevenZip = RunCommand("7z t -bso0 -bsp0 " + ShellQuote(repaired.string()));
            EXPECT_EQ(sevenZip.ExitCode, 0) << sevenZip.Output;
        }
    }
    // Opens an archive as the user does, through the open dialog.
    void OpenThroughTheDialog(const fs::path& archive) {
        Services.DialogAnswers.push_back(archive.string());
        TriggerIfEnabled(UnzipPage().a_openUnzip);
        // The dialog moves the folder trees to the archive's folder; extract to Out().
        UnzipPage().ShowFolder(Out().string());
    }
    void DeleteTheFirstRow() {
        if (UnzipPage().EntryList->RowCount() == 0) {
            return;
        }
        UnzipPage().SelectRows({0});
        Services.Answers.push_back(mobrel::TMsgAnswer::Yes);
        TriggerIfEnabled(UnzipPage().a_delete);
        Services.Answers.clear();
    }
    // Every action of the page on one archive (the repair on a second copy of it); returns
    // what each step showed.
    std::vector<std::string> ThroughEveryAction(const fs::path& archive, const fs::path& copy) {
        TUnzipPage& page = UnzipPage();
        std::vector<std::string> outcome;
        const auto step = [&](const std::string& name, const std::function<void()>& action) {
            Services.Messages.clear();
            action();
            Services.DialogAnswers.clear();  // a step that failed early asked for nothing
            ExpectNothingEscaped(name);
            outcome.push_back(name + ": " + OneLine(Services.Messages));
        };
        step("open", [&] { OpenThroughTheDialog(archive); });
        EXPECT_EQ(page.EntryList->RowCount(), Form().Zipper1.Count());
        step("extract", [&] { TriggerIfEnabled(page.a_unZipAll); });
        step("view", [&] { ViewRows(); });
        step("delete", [&] { DeleteTheFirstRow(); });
        step("fix", [&] {
            OpenThroughTheDialog(copy);
            Services.DialogAnswers.push_back((FixedFolder() / copy.filename()).string());
            TriggerIfEnabled(page.a_uFix);
        });
        ExpectRepairPassesPeerTests(copy, FixedFolder() / copy.filename());
        return outcome;
    }
};

TEST_F(HostileArchivePageTest, EveryActionEndsInAMessageAndStaysInside) {
    TForm1& form = Start();
    UnzipPage().ShowFolder(Out().string());
    const fs::path archives = Scratch() / "archives";
    fs::create_directories(archives);
    for (const mobrel::test::HostileArchive& hostile :
         mobrel::test::HostileArchives(OutZone() / "probe")) {
        SCOPED_TRACE(hostile.Name);
        const fs::path archive = archives / (hostile.Name + ".zip");
        const fs::path copy = archives / (hostile.Name + "-copy.zip");
        mobrel::test::WriteFileBytes(archive, hostile.Data);
        mobrel::test::WriteFileBytes(copy, hostile.Data);
        std::cout << "app\t" << hostile.Name;
        for (const std::string& outcome : ThroughEveryAction(archive, copy)) {
            std::cout << "\t" << outcome;
        }
        std::cout << "\n";
        fs::remove_all(Out());
        fs::remove_all(ViewFolder());
        fs::create_directories(Out());
        fs::create_directories(ViewFolder());
    }

    // The window is still fit for honest work.
    mobrel::test::ZipBuilder builder;
    builder.Add({"honest/file.txt", "fine"});
    const fs::path honest = archives / "honest.zip";
    mobrel::test::WriteFileBytes(honest, builder.Build());
    Services.Messages.clear();
    OpenThroughTheDialog(honest);
    ASSERT_EQ(UnzipPage().EntryList->RowCount(), 1);
    form.UpdateActions();
    UnzipPage().a_unZipAll->trigger();
    EXPECT_EQ(Services.Messages, std::vector<std::string>{"Successfully unzipped 1 files."});
    EXPECT_TRUE(fs::exists(Out() / "honest" / "file.txt"));
}

TEST_F(HostileArchivePageTest, ViewingANameWithControlCharactersOpensWhatWasExtracted) {
    mobrel::test::ZipBuilder builder;
    builder.Add({"ctl\x01\x1b[31m.txt", "coloured"});
    const fs::path archive = Scratch() / "control.zip";
    mobrel::test::WriteFileBytes(archive, builder.Build());
    Start();
    TUnzipPage& page = UnzipPage();
    page.OpenArchive(archive.string());
    Form().RunAction([&page] { page.ViewRow(0); });
    EXPECT_TRUE(Services.Messages.empty()) << OneLine(Services.Messages);
    ASSERT_EQ(Opened.size(), 1u);
    const fs::path viewed = Opened[0].toLocalFile().toStdString();
    EXPECT_EQ(viewed.parent_path(), fs::path(page.ViewFolder()).parent_path());
    EXPECT_EQ(viewed.parent_path().parent_path(), ViewFolder());
    EXPECT_EQ(mobrel::test::ReadFileBytes(viewed).size(), 8u);
}

}  // namespace
