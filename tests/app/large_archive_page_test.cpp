// An archive of 100,000 entries (past the classic end record's limit) through the Unzip
// page as a user handles it: opened, sorted by each column both ways, every row selected
// and extracted, one entry deleted. The times are printed for the record, never checked;
// the test's time limit catches a step that hangs.
#include <QAction>
#include <QCoreApplication>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>

#include "entry_list_model.h"
#include "entry_list_view.h"
#include "main_window_fixture.h"
#include "reader/un_zipper.h"

namespace {

namespace fs = std::filesystem;

constexpr int kEntries = 100000;

// Names unique and in entry order, sizes 0 to 499 bytes, two methods, two modes, dates
// over thirty years, all in 97 folders.
constexpr const char* kLargeArchiveScript = R"(import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    for i in range(int(sys.argv[2])):
        info = zipfile.ZipInfo(f"d{i % 97:02d}/f{i:06d}.txt",
                               (1990 + i % 30, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 0))
        info.create_system = 3
        info.external_attr = (0o100644 if i % 3 else 0o100755) << 16
        info.compress_type = zipfile.ZIP_DEFLATED if i % 2 else zipfile.ZIP_STORED
        z.writestr(info, b"x" * (i % 500))
)";

class LargeArchivePageTest : public MainWindowTest {
  protected:
    std::string LargeArchive() {
        const fs::path script = Scratch() / "large.py";
        const fs::path archive = Scratch() / "large.zip";
        mobrel::test::WriteFileText(script, kLargeArchiveScript);
        const auto made = mobrel::test::RunCommand(
            "python3 " + mobrel::test::ShellQuote(script.string()) + " " +
            mobrel::test::ShellQuote(archive.string()) + " " + std::to_string(kEntries));
        EXPECT_EQ(made.ExitCode, 0) << made.Output;
        return archive.string();
    }
    // Runs step (the window's widgets live on this thread) and prints how long it took.
    void Step(const std::string& what, const std::function<void()>& step) {
        const auto start = std::chrono::steady_clock::now();
        step();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::cout << what << ": " << took.count() << " s\n";
    }
    static std::string Cell(TUnzipPage& page, int row, int column) {
        return page.EntryList->CellText(row, column).toStdString();
    }
    // True when the column's texts never go down (up when reversed) from the first row on.
    static bool Ordered(TUnzipPage& page, int column, bool reversed, bool numeric) {
        auto value = [&](int row) {
            const std::string text = Cell(page, row, column);
            return numeric ? std::stoll(text) : 0;
        };
        for (int row = 1; row < page.EntryList->RowCount(); ++row) {
            const bool before = numeric ? value(row - 1) < value(row)
                                        : Cell(page, row - 1, column) < Cell(page, row, column);
            const bool after = numeric ? value(row - 1) > value(row)
                                       : Cell(page, row - 1, column) > Cell(page, row, column);
            if (reversed ? before : after) {
                return false;
            }
        }
        return true;
    }
};

TEST_F(LargeArchivePageTest, OpensSortsExtractsAllAndDeletesOneOfAHundredThousandEntries) {
    const std::string archive = LargeArchive();
    const fs::path out = Scratch() / "out";
    fs::create_directories(out);
    Start();
    TUnzipPage& page = UnzipPage();
    page.ShowFolder(out.string());

    Step("open", [&] { page.OpenArchive(archive); });
    ASSERT_EQ(page.EntryList->RowCount(), kEntries);

    for (int column = 0; column < TEntryListModel::ColumnCount; ++column) {
        const std::string name = "sort by column " + std::to_string(column);
        Step(name, [&] { page.SortByColumn(column); });
        const std::string first = Cell(page, 0, column);
        Step(name + ", reversed", [&] { page.SortByColumn(column); });
        ASSERT_EQ(page.EntryList->RowCount(), kEntries);
        // Where the column's values differ at all, the reversed first row differs too.
        if (column != TEntryListModel::ColEncryption) {
            EXPECT_NE(Cell(page, 0, column), first) << name;
        }
    }
    // Names ascend first; sizes come largest first.
    page.SortByColumn(TEntryListModel::ColFileName);
    EXPECT_TRUE(Ordered(page, TEntryListModel::ColFileName, false, false));
    EXPECT_EQ(Cell(page, 0, TEntryListModel::ColFileName), "f000000.txt");
    page.SortByColumn(TEntryListModel::ColFileName);
    EXPECT_TRUE(Ordered(page, TEntryListModel::ColFileName, true, false));
    page.SortByColumn(TEntryListModel::ColSize);
    EXPECT_TRUE(Ordered(page, TEntryListModel::ColSize, true, true));
    page.SortByColumn(TEntryListModel::ColSize);
    EXPECT_TRUE(Ordered(page, TEntryListModel::ColSize, false, true));

    Step("select all", [&] {
        page.ListBox2->selectAll();
        QCoreApplication::processEvents();
    });
    Form().UpdateActions();
    Step("extract the selected", [&] { page.a_unzipSel->trigger(); });
    int files = 0;
    for (const auto& item : fs::recursive_directory_iterator(out)) {
        files += item.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(files, kEntries);
    EXPECT_EQ(fs::file_size(out / "d11" / "f099921.txt"), 99921u % 500);

    // The smallest first: row 0 is an entry of size 0.
    const std::string deleted = Cell(page, 0, TEntryListModel::ColFileName);
    page.SelectRows({0});
    Form().UpdateActions();
    Services.Answers = {mobrel::TMsgAnswer::Yes};
    Step("delete one", [&] { page.a_delete->trigger(); });
    EXPECT_EQ(page.EntryList->RowCount(), kEntries - 1);
    mobrel::TUnZipper reader;
    reader.SetZipName(archive);
    reader.ReadZip();
    ASSERT_EQ(reader.Count(), kEntries - 1);
    for (int i = 0; i < reader.Count(); ++i) {
        ASSERT_NE(reader.EntryFileName(i), deleted);
    }
}

}  // namespace
