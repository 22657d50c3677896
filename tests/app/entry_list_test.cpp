// The entry list as the user handles it: a header click sorts and a second one reverses,
// what is done to a row is done to the entry it shows, and only a key pressed in the list
// acts on it.
#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <filesystem>

#include "directory_list_box.h"
#include "entry_list_model.h"
#include "entry_list_view.h"
#include "main_window_fixture.h"
#include "format/zip_builder.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class EntryListTest : public MainWindowTest {
  protected:
    // An archive whose name order, size order and folder order all differ.
    TForm1& StartOnArchive() {
        mobrel::test::ZipBuilder builder;
        builder.Add({"b/small.txt", "1"});
        builder.Add({"a/large.txt", std::string(300, 'x')});
        builder.Add({"c/middle.txt", std::string(20, 'y')});
        const fs::path archive = Scratch() / "three.zip";
        mobrel::test::WriteFileBytes(archive, builder.Build());
        fs::create_directories(Scratch() / "out");
        TForm1& form = Start();
        form.DirectoryListBox2->SetDirectory((Scratch() / "out").string());
        form.openTheZip(archive.string());
        return form;
    }
    // A click on the header's section, as the pointer gives it.
    void ClickHeader(TForm1& form, int column) {
        QHeaderView& header = *form.Header1;
        const QPoint where(header.sectionViewportPosition(column) + header.sectionSize(column) / 2,
                           header.height() / 2);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent click(type, where, header.viewport()->mapToGlobal(where), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(header.viewport(), &click);
        }
        QCoreApplication::processEvents();
    }
    Lines Column(TForm1& form, int column) {
        Lines cells;
        for (int row = 0; row < form.EntryList->RowCount(); ++row) {
            cells.push_back(form.EntryList->CellText(row, column).toStdString());
        }
        return cells;
    }
    void SendKey(QWidget* target, QEvent::Type type, int key) {
        QKeyEvent event(type, key, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }
};

TEST_F(EntryListTest, AHeaderClickSortsByItsColumnAndASecondReverses) {
    TForm1& form = StartOnArchive();
    form.resize(900, 600);
    ASSERT_EQ(Column(form, 1), (Lines{"small.txt", "large.txt", "middle.txt"}));
    ASSERT_FALSE(form.Header1->isSortIndicatorShown());

    ClickHeader(form, TEntryListModel::ColFileName);
    EXPECT_EQ(Column(form, 1), (Lines{"large.txt", "middle.txt", "small.txt"}));
    EXPECT_TRUE(form.Header1->isSortIndicatorShown());
    EXPECT_EQ(form.Header1->sortIndicatorSection(), TEntryListModel::ColFileName);
    EXPECT_EQ(form.Header1->sortIndicatorOrder(), Qt::AscendingOrder);

    ClickHeader(form, TEntryListModel::ColFileName);
    EXPECT_EQ(Column(form, 1), (Lines{"small.txt", "middle.txt", "large.txt"}));
    EXPECT_EQ(form.Header1->sortIndicatorOrder(), Qt::DescendingOrder);

    // Sizes come largest first, and the arrow says so.
    ClickHeader(form, TEntryListModel::ColSize);
    EXPECT_EQ(Column(form, 1), (Lines{"large.txt", "middle.txt", "small.txt"}));
    EXPECT_EQ(form.Header1->sortIndicatorOrder(), Qt::DescendingOrder);
    ClickHeader(form, TEntryListModel::ColSize);
    EXPECT_EQ(Column(form, 1), (Lines{"small.txt", "middle.txt", "large.txt"}));
    EXPECT_EQ(form.Header1->sortIndicatorOrder(), Qt::AscendingOrder);
    ClickHeader(form, TEntryListModel::ColPath);
    EXPECT_EQ(Column(form, 0), (Lines{"a\\", "b\\", "c\\"}));

    // The saved list follows what is shown.
    ClickHeader(form, TEntryListModel::ColPath);
    EXPECT_EQ(form.EntryList->RowTexts(),
              (Lines{"c\\ middle.txt 20 20", "b\\ small.txt 1 1", "a\\ large.txt 300 300"}));
}

TEST_F(EntryListTest, ActionsOnASortedRowReachTheEntryItShows) {
    TForm1& form = StartOnArchive();
    ClickHeader(form, TEntryListModel::ColSize);
    ClickHeader(form, TEntryListModel::ColSize);  // reversed: smallest first
    ASSERT_EQ(form.EntryList->CellText(2, 1).toStdString(), "large.txt");
    form.ListBox2->selectionModel()->select(
        form.EntryList->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    form.UpdateActions();
    form.a_unzipSel->trigger();
    EXPECT_TRUE(fs::exists(Scratch() / "out" / "a" / "large.txt"));
    EXPECT_FALSE(fs::exists(Scratch() / "out" / "b"));

    // Deleting it, the archive is read again and keeps the order the user chose.
    Services.Answers = {mobrel::TMsgAnswer::Yes};
    form.a_delete->trigger();
    EXPECT_EQ(Column(form, 1), (Lines{"small.txt", "middle.txt"}));
    EXPECT_EQ(form.Header1->sortIndicatorOrder(), Qt::AscendingOrder);
}

TEST_F(EntryListTest, OnlyAKeyPressedInTheListActsOnItsRelease) {
    TForm1& form = StartOnArchive();
    form.ListBox2->setCurrentIndex(form.EntryList->index(0, 0));
    // The release of Enter that closed a message box comes to the list alone.
    SendKey(form.ListBox2, QEvent::KeyRelease, Qt::Key_Return);
    EXPECT_TRUE(Opened.empty());
    SendKey(form.ListBox2, QEvent::KeyPress, Qt::Key_Return);
    SendKey(form.ListBox2, QEvent::KeyRelease, Qt::Key_Return);
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(fs::path(Opened[0].toLocalFile().toStdString()).filename(), "small.txt");
}

}  // namespace
