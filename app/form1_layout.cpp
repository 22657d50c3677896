// The main window's controls and their arrangement: the current archive and the progress
// bar above the pages, the status panels below them.
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "form1.h"
#include "layout_helpers.h"
#include "unzip_page.h"
#include "zip_page.h"

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
    ProgressBar1->setRange(0, 100);  // for good: the engine reports percentages
    ProgressBar1->setValue(0);
    ProgressBar1->setMaximumWidth(200);
    archiveRow->addWidget(new QLabel("Current Zip File:", central));
    archiveRow->addWidget(Edit3, 1);
    archiveRow->addWidget(ProgressBar1);
    layout->addLayout(archiveRow);

    PageControl1 = new QTabWidget(central);
    ZipPage = new TZipPage(*this, PageControl1);
    UnzipPage = new TUnzipPage(*this, PageControl1);
    PageControl1->addTab(ZipPage, "Zip");
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
    BuildPopupMenus();
    AttachPopupMenus();
    ConnectControls();
}
