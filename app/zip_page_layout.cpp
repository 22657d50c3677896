// The Zip page's controls, actions and tool bars. Two rows of tools, so that every control
// stays in sight down to a 1024-pixel-wide window: the list's tools, then the archive's
// tools with the folder names are stored relative to.
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "command_actions.h"
#include "directory_list_box.h"
#include "drive_combo_box.h"
#include "file_list_box.h"
#include "filter_combo_box.h"
#include "layout_helpers.h"
#include "sorted_list_box.h"
#include "zip_page.h"

namespace {

constexpr const char* kInternetFilesMask = "*.htm*;*.js;*.css;*.gif;*.jpg;*.jpeg";

struct TFilterChoice {
    const char* Caption;
    const char* Mask;
};

constexpr TFilterChoice kFilterChoices[] = {
    {"Internet Files", kInternetFilesMask},
    {"HTML Files", "*.htm*"},
    {"JavaScript and CSS Files", "*.js;*.css"},
    {"Image Files", "*.gif;*.jpg;*.jpeg;*.bmp;*.wmf"},
    {"Text Files", "*.txt"},
    {"Zip Files ", "*.zip"},
    {"Doc, RTF and pdf", "*.doc;*.rtf;*.pdf"},
    {"Exe Files", "*.exe;*.com"},
    {"Program, Text, HTML Files", "*.exe;*.txt;*.htm*"},
    {"All Files", "*.*"},
};

}  // namespace

void TZipPage::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    ListToolBar = new QToolBar(this);
    layout->addWidget(ListToolBar);
    auto* archiveRow = new QHBoxLayout;
    ZipToolBar = new QToolBar(this);
    Edit6 = new QLineEdit(this);
    Edit6->setMinimumWidth(160);
    Edit6->setToolTip("Names are stored relative to this folder");
    ToolButton20 = new QToolButton(this);
    ToolButton20->setText("Rel Dir...");
    archiveRow->addWidget(ZipToolBar);
    archiveRow->addWidget(ToolButton20);
    archiveRow->addWidget(Edit6, 1);
    layout->addLayout(archiveRow);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    QGroupBox* drives = Panel("Drives and Directories", splitter);
    DriveComboBox1 = new TDriveComboBox(drives);
    DirectoryListBox1 = new TDirectoryListBox(drives);
    drives->layout()->addWidget(DriveComboBox1);
    drives->layout()->addWidget(DirectoryListBox1);

    QGroupBox* files = Panel("Files in Current Directory", splitter);
    FilterComboBox1 = new TFilterComboBox(files);
    for (const TFilterChoice& choice : kFilterChoices) {
        FilterComboBox1->AddFilter(choice.Caption, choice.Mask);
    }
    FileListBox1 = new TFileListBox(files);
    FileListBox1->SetMask(kInternetFilesMask);
    FileListBox1->setDragEnabled(true);
    FileListBox1->setDragDropMode(QAbstractItemView::DragOnly);
    FileListBox1->setDefaultDropAction(Qt::CopyAction);
    files->layout()->addWidget(FilterComboBox1);
    files->layout()->addWidget(FileListBox1);

    QGroupBox* toZip = Panel("List of Files to Zip", splitter);
    ListBox1 = new TSortedListBox(toZip);
    toZip->layout()->addWidget(ListBox1);
    splitter->setStretchFactor(2, 1);
    layout->addWidget(splitter, 1);
}

QAction* TZipPage::MakeAction(const char* name, const char* caption, const char* hint,
                              void (TZipPage::*handler)()) {
    return ::MakeAction(host_, this, name, caption, hint, [this, handler] { (this->*handler)(); });
}

void TZipPage::CreateActions() {
    a_AddAll = MakeAction("a_AddAll", "Add All Directory Files to List", "Add all files to list",
                          &TZipPage::AddAllFiles);
    a_AddSelected = MakeAction("a_AddSelected", "Add Selected Files to List",
                               "Add Selected Files to List", &TZipPage::AddSelectedFiles);
    a_DeleteSelected =
        MakeAction("a_DeleteSelected", "Delete Selected Items in List",
                   "Remove Selected Files from List", &TZipPage::DeleteSelectedFromList);
    a_clear = MakeAction("a_clear", "Clear Files in List", "Clear the List", &TZipPage::ClearList);
    a_new = MakeAction("a_new", "Create New Zip", "Add all files to a New Zip File",
                       &TZipPage::NewArchive);
    a_AddToCurrentZip =
        MakeAction("a_AddToCurrentZip", "Add Files to Current Zip",
                   "Add Files to Currently Open Zip", &TZipPage::AddToCurrentArchive);
    a_zOpenExisting = MakeAction("a_zOpenExisting", "Add Files to Existing Zip File",
                                 "Add Files to an Existing Zip", &TZipPage::AddToExistingArchive);
    a_zMakeEXE =
        MakeAction("a_zMakeEXE", "Make an Exe File", "Make an EXE file", &TZipPage::MakeExe);
    a_encrypt = MakeAction("a_encrypt", "Encrypt with a password...",
                           "Encrypt the files of the next zip with a password",
                           &TZipPage::ChooseEncryption);
    a_encrypt->setCheckable(true);
    a_loadList = MakeAction("a_loadList", "Load a List of Files", nullptr, &TZipPage::LoadList);
    a_saveFileList =
        MakeAction("a_saveFileList", "Save List of Files...", nullptr, &TZipPage::SaveList);
    // The encryption choice sits with the list: it belongs to what is zipped next.
    AddActions(*ListToolBar,
               {a_DeleteSelected, a_clear, a_AddSelected, a_AddAll, nullptr, a_encrypt});
    AddActions(*ZipToolBar, {a_new, a_AddToCurrentZip, a_zOpenExisting, nullptr, a_zMakeEXE});
}
