// Dragging entries out of the list: what the drag carries is the selected entries extracted,
// with their stored folders, into a folder of that drag's own, named by their top-level
// paths as file URLs; the folder lasts until the next drag or the window closes, and a run
// that fails or is cancelled gives no drag at all.
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include "entry_list_model.h"
#include "entry_list_view.h"
#include "form_password.h"
#include "main_window_fixture.h"
#include "platform/engine_errors.h"
#include "writer/zipper.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr const char* kEncryptedArchive = "enc-zipcrypto-stored-8files-pw-test--sharpcompress.zip";

class EntryListDragTest : public MainWindowTest {
  protected:
    EntryListDragTest() {
        fs::create_directories(Temp());
        fs::create_directories(Out());
        setenv("TMPDIR", Temp().c_str(), 1);
    }
    ~EntryListDragTest() override { unsetenv("TMPDIR"); }

    TUnzipPage& StartWith(const std::string& archive) {
        Start();
        UnzipPage().ShowFolder(Out().string());
        UnzipPage().OpenArchive(archive);
        return UnzipPage();
    }
    // A folder entry with a folder's mode, as Python's zipfile writes one.
    std::string NestedArchive() {
        const fs::path script = Scratch() / "nested.py";
        const fs::path archive = Scratch() / "nested.zip";
        mobrel::test::WriteFileText(script, R"(import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.writestr("docs/", "")
    z.writestr("docs/guide/intro.txt", "introduction")
    z.writestr("docs/readme.txt", "not chosen")
    z.writestr("top.txt", "top level")
    z.writestr("other/left.txt", "not chosen either")
)");
        const auto made =
            mobrel::test::RunCommand("python3 " + mobrel::test::ShellQuote(script.string()) + " " +
                                     mobrel::test::ShellQuote(archive.string()));
        EXPECT_EQ(made.ExitCode, 0) << made.Output;
        return archive.string();
    }
    // Selects the rows showing these whole names.
    void SelectNamed(TUnzipPage& page, const Lines& names) {
        std::vector<int> rows;
        for (int row = 0; row < page.EntryList->RowCount(); ++row) {
            const std::string name = (page.EntryList->CellText(row, TEntryListModel::ColPath) +
                                      page.EntryList->CellText(row, TEntryListModel::ColFileName))
                                         .toStdString();
            if (std::find(names.begin(), names.end(), name) != names.end()) {
                rows.push_back(row);
            }
        }
        ASSERT_EQ(rows.size(), names.size());
        page.SelectRows(rows);
    }
    static Lines LocalFiles(const QMimeData& data) {
        Lines files;
        for (const QUrl& url : data.urls()) {
            EXPECT_TRUE(url.isLocalFile()) << url.toString().toStdString();
            files.push_back(url.toLocalFile().toStdString());
        }
        return files;
    }
    static std::string Text(const fs::path& file) {
        const auto bytes = mobrel::test::ReadFileBytes(file);
        return {bytes.begin(), bytes.end()};
    }
    fs::path Temp() const { return Scratch() / "tmp"; }
    fs::path Out() const { return Scratch() / "out"; }
};

TEST_F(EntryListDragTest, CarriesTheSelectedEntriesWithTheirFoldersAsFileUrls) {
    TUnzipPage& page = StartWith(NestedArchive());
    Form().Zipper1.SetDestDir(Out().string());
    SelectNamed(page, {"docs/guide/intro.txt", "top.txt"});
    const std::unique_ptr<QMimeData> data = page.ExtractForDrag();
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->hasFormat("text/uri-list"));
    const fs::path folder = page.DragFolder();
    EXPECT_EQ(folder.parent_path(), Temp());
    EXPECT_EQ(LocalFiles(*data),
              (Lines{(folder / "docs").string(), (folder / "top.txt").string()}));
    EXPECT_EQ(Text(folder / "docs" / "guide" / "intro.txt"), "introduction");
    EXPECT_EQ(Text(folder / "top.txt"), "top level");
    EXPECT_FALSE(fs::exists(folder / "docs" / "readme.txt"));
    EXPECT_FALSE(fs::exists(folder / "other"));

    // The page's own extraction is untouched: its folder and settings are as they were.
    EXPECT_TRUE(fs::is_empty(Out()));
    EXPECT_EQ(Form().Zipper1.DestDir(), Out().string());
    EXPECT_EQ(Form().Zipper1.SelectedCount(), 0);
    EXPECT_TRUE(Services.Messages.empty());

    // A folder is carried with what is below it.
    SelectNamed(page, {"docs/"});
    const std::unique_ptr<QMimeData> again = page.ExtractForDrag();
    ASSERT_TRUE(again);
    const fs::path second = page.DragFolder();
    EXPECT_NE(second, folder);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(LocalFiles(*again), Lines{(second / "docs").string()});
    EXPECT_EQ(Text(second / "docs" / "guide" / "intro.txt"), "introduction");
    EXPECT_EQ(Text(second / "docs" / "readme.txt"), "not chosen");
    EXPECT_FALSE(fs::exists(second / "top.txt"));

    // Closing the window takes the last drag's files with it.
    Form().close();
    EXPECT_TRUE(fs::is_empty(Temp()));
}

TEST_F(EntryListDragTest, NoDragWhenNothingIsSelectedOrAnEntryIsLeftOutOrTheRunCancelled) {
    TUnzipPage& page = StartWith(CopyTestArchive(kEncryptedArchive));
    page.SelectRows({});
    EXPECT_FALSE(page.ExtractForDrag());

    // The password window cancelled: the entry is skipped, and nothing is dragged.
    page.SelectRows({0, 1});
    OnModal = [](QDialog& window) { window.reject(); };
    EXPECT_FALSE(page.ExtractForDrag());
    EXPECT_TRUE(page.DragFolder().empty());
    EXPECT_TRUE(fs::is_empty(Temp()));

    // Escape while the password is asked for ends the run.
    OnModal = [this](QDialog& window) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&UnzipPage(), &escape);
        dynamic_cast<TFormPassword&>(window).Edit1->setText("test");
    };
    EXPECT_THROW(page.ExtractForDrag(), mobrel::EUserCanceled);
    EXPECT_TRUE(fs::is_empty(Temp()));
    EXPECT_FALSE(Form().OperationRunning());

    // With the password the same rows are dragged.
    OnModal = [](QDialog& window) { dynamic_cast<TFormPassword&>(window).Edit1->setText("test"); };
    const std::unique_ptr<QMimeData> data = page.ExtractForDrag();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->urls().size(), 2);
}

TEST_F(EntryListDragTest, PullingASelectedRowStartsTheDrag) {
    TUnzipPage& page = StartWith(NestedArchive());
    Form().resize(900, 600);
    int started = 0;
    page.ListBox2->OnStartDrag = [&started] { ++started; };
    page.SelectRows({1});
    QWidget* viewport = page.ListBox2->viewport();
    const QPoint from = page.ListBox2->visualRect(page.EntryList->index(1, 1)).center();
    const QPoint to = from + QPoint(QApplication::startDragDistance() + 5, 0);
    const auto send = [viewport](QEvent::Type type, QPoint where, Qt::MouseButton button,
                                 Qt::MouseButtons held) {
        QMouseEvent event(type, where, viewport->mapToGlobal(where), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    // The first move makes it a drag, the next one past the distance starts it.
    send(QEvent::MouseMove, from + QPoint(1, 0), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(started, 1);
    EXPECT_TRUE(page.ListBox2->IsRowSelected(1));
}

}  // namespace
