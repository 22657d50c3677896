// The main window's controls and their arrangement.
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "directory_list_box.h"
#include "drive_combo_box.h"
#include "file_list_box.h"
#include "filter_combo_box.h"
#include "form1.h"
#include "sorted_list_box.h"
#include "unzip_page.h"

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

QGroupBox* Panel(const char* caption, QWidget* parent) {
    auto* panel = new QGroupBox(caption, parent);
    new QVBoxLayout(panel);
    return panel;
}

QLineEdit* ReadOnlyBox(QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setReadOnly(true);
    return box;
}

}  // namespace

void TForm1::BuildWindow() {
    resize(1200, 760);  // the size to come back to from maximized, and without a window manager
    setWindowState(Qt::WindowMaximized);
    CreateActions();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* archiveRow = new QHBoxLayout;
    Edit3 = ReadOnlyBox(central);
    Edit3->setContextMenuPolicy(Qt::CustomContextMenu);
    ProgressBar1 = new QProgressBar(central);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setMaximumWidth(200);
    archiveRow->addWidget(new QLabel("Current Zip File:", central));
    archiveRow->addWidget(Edit3, 1);
    archiveRow->addWidget(ProgressBar1);
    layout->addLayout(archiveRow);

    PageControl1 = new QTabWidget(central);
    TabSheet1 = new QWidget(PageControl1);
    BuildZipPage();
    UnzipPage = new TUnzipPage(*this, PageControl1);
    PageControl1->addTab(TabSheet1, "Zip");
    PageControl1->addTab(UnzipPage, "Unzip");
    layout->addWidget(PageControl1, 1);
    setCentralWidget(central);

    StatusPanel0 = new QLabel(this);
    StatusPanel0->setMinimumWidth(100);
    StatusPanel1 = new QLabel(this);
    StatusPanel1->setMinimumWidth(50);
    statusBar()->addWidget(StatusPanel0);
    statusBar()->addWidget(StatusPanel1, 1);

    BuildMenus();
    BuildToolBars();
    BuildPopupMenus();
    ConnectControls();
}

// Two rows, so that every control stays in sight down to a 1024-pixel-wide window: the
// list's tools, then the archive's tools with the folder names are stored relative to.
void TForm1::BuildZipPage() {
    auto* layout = new QVBoxLayout(TabSheet1);
    ListToolBar = new QToolBar(TabSheet1);
    layout->addWidget(ListToolBar);
    auto* archiveRow = new QHBoxLayout;
    ZipToolBar = new QToolBar(TabSheet1);
    Edit6 = new QLineEdit(TabSheet1);
    Edit6->setMinimumWidth(160);
    Edit6->setToolTip("Names are stored relative to this folder");
    ToolButton20 = new QToolButton(TabSheet1);
    ToolButton20->setText("Rel Dir...");
    archiveRow->addWidget(ZipToolBar);
    archiveRow->addWidget(ToolButton20);
    archiveRow->addWidget(Edit6, 1);
    layout->addLayout(archiveRow);

    auto* splitter = new QSplitter(Qt::Horizontal, TabSheet1);
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
