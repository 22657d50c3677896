// The entry list as the user handles it: a header click sorts and a second one reverses,
// what is done to a row is done to the entry it shows, and only a key pressed in the list
// acts on it.
#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <filesystem>

#include "entry_list_model.h"
#include "entry_list_view.h"
#include "format/zip_builder.h"
#include "main_window_fixture.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class EntryListTest : public MainWindowTest {
  protected:
    // An archive whose name order, size order and folder order all differ.
    TUnzipPage& StartOnArchive() {
        mobrel::test::ZipBuilder builder;
        builder.Add({"b/small.txt", "1"});
        builder.Add({"a/large.txt", std::string(300, 'x')});
        builder.Add({"c/middle.txt", std::string(20, 'y')});
        const fs::path archive = Scratch() / "three.zip";
        mobrel::test::WriteFileBytes(archive, builder.Build());
        fs::create_directories(Scratch() / "out");
        Start();
        UnzipPage().ShowFolder((Scratch() / "out").string());
        UnzipPage().OpenArchive(archive.string());
        return UnzipPage();
    }
    // A click on the header's section, as the pointer gives it.
    void ClickHeader(TUnzipPage& page, int column) {
        QHeaderView& header = *page.Header1;
        const QPoint where(header.sectionViewportPosition(column) + header.sectionSize(column) / 2,
                           header.height() / 2);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent click(type, where, header.viewport()->mapToGlobal(where), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(header.viewport(), &click);
        }
        QCoreApplication::processEvents();
    }
    Lines Column(TUnzipPage& page, int column) {
        Lines cells;
        for (int row = 0; row < page.EntryList->RowCount(); ++row) {
            cells.push_back(page.EntryList->CellText(row, column).toStdString());
        }
        return cells;
    }
    void SendKey(QWidget* target, QEvent::Type type, int key) {
        QKeyEvent event(type, key, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }
};

TEST_F(EntryListTest, AHeaderClickSortsByItsColumnAndASecondReverses) {
    TUnzipPage& page = StartOnArchive();
    Form().resize(900, 600);
    ASSERT_EQ(Column(page, 1), (Lines{"small.txt", "large.txt", "middle.txt"}));
    ASSERT_FALSE(page.Header1->isSortIndicatorShown());

    ClickHeader(page, TEntryListModel::ColFileName);
    EXPECT_EQ(Column(page, 1), (Lines{"large.txt", "middle.txt", "small.txt"}));
    EXPECT_TRUE(page.Header1->isSortIndicatorShown());
    EXPECT_EQ(page.Header1->sortIndicatorSection(), TEntryListModel::ColFileName);
    EXPECT_EQ(page.Header1->sortIndicatorOrder(), Qt::AscendingOrder);

    ClickHeader(page, TEntryListModel::ColFileName);
    EXPECT_EQ(Column(page, 1), (Lines{"small.txt", "middle.txt", "large.txt"}));
    EXPECT_EQ(page.Header1->sortIndicatorOrder(), Qt::DescendingOrder);

    // Sizes come largest first, and the arrow says so.
    ClickHeader(page, TEntryListModel::ColSize);
    EXPECT_EQ(Column(page, 1), (Lines{"large.txt", "middle.txt", "small.txt"}));
    EXPECT_EQ(page.Header1->sortIndicatorOrder(), Qt::DescendingOrder);
    ClickHeader(page, TEntryListModel::ColSize);
    EXPECT_EQ(Column(page, 1), (Lines{"small.txt", "middle.txt", "large.txt"}));
    EXPECT_EQ(page.Header1->sortIndicatorOrder(), Qt::AscendingOrder);
    ClickHeader(page, TEntryListModel::ColPath);
    EXPECT_EQ(Column(page, 0), (Lines{"a/", "b/", "c/"}));

    // The saved list follows what is shown.
    ClickHeader(page, TEntryListModel::ColPath);
    EXPECT_EQ(page.EntryList->RowTexts(),
              (Lines{"c/ middle.txt 20 20", "b/ small.txt 1 1", "a/ large.txt 300 300"}));
}

TEST_F(EntryListTest, ActionsOnASortedRowReachTheEntryItShows) {
    TUnzipPage& page = StartOnArchive();
    page.SortByColumn(TEntryListModel::ColSize);
    page.SortByColumn(TEntryListModel::ColSize);  // reversed: smallest first
    ASSERT_EQ(page.EntryList->CellText(2, 1).toStdString(), "large.txt");
    page.SelectRows({2});
    Form().UpdateActions();
    page.a_unzipSel->trigger();
    EXPECT_TRUE(fs::exists(Scratch() / "out" / "a" / "large.txt"));
    EXPECT_FALSE(fs::exists(Scratch() / "out" / "b"));

    // Deleting it, the archive is read again and keeps the order the user chose.
    Services.Answers = {mobrel::TMsgAnswer::Yes};
    page.a_delete->trigger();
    EXPECT_EQ(Column(page, 1), (Lines{"small.txt", "middle.txt"}));
    EXPECT_EQ(page.Header1->sortIndicatorOrder(), Qt::AscendingOrder);
}

TEST_F(EntryListTest, OnlyAKeyPressedInTheListActsOnItsRelease) {
    TUnzipPage& page = StartOnArchive();
    page.FocusRow(0);
    // The release of Enter that closed a message box comes to the list alone.
    SendKey(page.ListBox2, QEvent::KeyRelease, Qt::Key_Return);
    EXPECT_TRUE(Opened.empty());
    SendKey(page.ListBox2, QEvent::KeyPress, Qt::Key_Return);
    SendKey(page.ListBox2, QEvent::KeyRelease, Qt::Key_Return);
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(fs::path(Opened[0].toLocalFile().toStdString()).filename(), "small.txt");
}

}  // namespace
