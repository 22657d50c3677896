// The Unzip page's controls, actions and tool bar.
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

#include "command_actions.h"
#include "directory_list_box.h"
#include "drive_combo_box.h"
#include "entry_list_model.h"
#include "entry_list_view.h"
#include "file_list_box.h"
#include "layout_helpers.h"
#include "names_encoding_combo_box.h"
#include "unzip_page.h"
#include "writer/zipper.h"

namespace {

// The date no longer comes last, where it took what was left: it gets room for a date.
constexpr int kHeaderWidths[TEntryListModel::ColumnCount] = {122, 123, 80, 64, 72, 80, 64, 64};

}  // namespace

void TUnzipPage::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    UnzipToolBar = new QToolBar(this);
    layout->addWidget(UnzipToolBar);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    QGroupBox* destination = Panel("Destination for Files", splitter);
    Edit4 = new QLineEdit(destination);
    DriveComboBox2 = new TDriveComboBox(destination);
    DirectoryListBox2 = new TDirectoryListBox(destination);
    FileListBox2 = new TFileListBox(destination);
    destination->layout()->addWidget(new QLabel("Destination Directory", destination));
    destination->layout()->addWidget(Edit4);
    destination->layout()->addWidget(DriveComboBox2);
    destination->layout()->addWidget(DirectoryListBox2);
    destination->layout()->addWidget(FileListBox2);

    QGroupBox* entries = Panel("Files in Current Zip File", splitter);
    auto* totals = new QHBoxLayout;
    Edit1 = ReadOnlyBox(entries);
    Edit5 = ReadOnlyBox(entries);
    totals->addWidget(new QLabel("Unzipped:", entries));
    totals->addWidget(Edit1);
    totals->addWidget(new QLabel("Zipped:", entries));
    totals->addWidget(Edit5);
    static_cast<QVBoxLayout*>(entries->layout())->addLayout(totals);
    auto* encoding = new QHBoxLayout;
    NamesEncoding = new TNamesEncodingComboBox(entries);
    encoding->addWidget(new QLabel("Names encoding:", entries));
    encoding->addWidget(NamesEncoding, 1);
    static_cast<QVBoxLayout*>(entries->layout())->addLayout(encoding);
    EntryList = new TEntryListModel(engine_, this);
    ListBox2 = new TEntryListView(entries);
    ListBox2->setModel(EntryList);
    Header1 = ListBox2->header();
    for (int section = 0; section < TEntryListModel::ColumnCount; ++section) {
        Header1->resizeSection(section, kHeaderWidths[section]);
    }
    entries->layout()->addWidget(ListBox2);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter, 1);
}

QAction* TUnzipPage::MakeAction(const char* name, const char* caption, const char* hint,
                                void (TUnzipPage::*handler)()) {
    return ::MakeAction(host_, this, name, caption, hint, [this, handler] { (this->*handler)(); });
}

void TUnzipPage::CreateActions() {
    a_openUnzip = MakeAction("a_openUnzip", "Open a File to Unzip",
                             "Open an Existing Files to Unzip", &TUnzipPage::ChooseArchive);
    a_uOpenCurrent = MakeAction("a_uOpenCurrent", "Re-open Current Zip File",
                                "Open the Current Zip File", &TUnzipPage::OpenCurrentArchive);
    a_uFix =
        MakeAction("a_uFix", "Fix Zip File",
                   "Tries to extract any uncorrupt files from an incomplete zip", &TUnzipPage::Fix);
    a_unzipSel = MakeAction("a_unzipSel", "Unzip Selected Files",
                            "Unzip Selected Files into the Current Directory.",
                            &TUnzipPage::ExtractSelected);
    a_unZipAll = MakeAction("a_unZipAll", "Unzip All Files in Zip File",
                            "Unzip All Files into the Current Directory", &TUnzipPage::ExtractAll);
    a_uTest = MakeAction("a_uTest", "Test Zip File",
                         "Check every file in the zip without writing anything",
                         &TUnzipPage::TestArchive);
    a_delete = MakeAction("a_delete", "Delete Selected Files in Zip",
                          "Delete Selected Files in the Zip", &TUnzipPage::DeleteSelected);
    a_saveUnzipFileList = MakeAction("a_saveUnzipFileList", "Save List of Filenames...", nullptr,
                                     &TUnzipPage::SaveNameList);
    AddActions(*UnzipToolBar, {a_openUnzip, a_uOpenCurrent, nullptr, a_unzipSel, a_unZipAll,
                               a_uTest, a_delete, nullptr, a_uFix});
}
