// The main window's own actions, and the menu bars and popup menus that offer its actions
// and the pages'.
#include <QAbstractScrollArea>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

#include "command_actions.h"
#include "directory_list_box.h"
#include "entry_list_view.h"
#include "file_list_box.h"
#include "form1.h"
#include "sorted_list_box.h"
#include "unzip_page.h"
#include "zip_page.h"

QAction* TForm1::MakeAction(const char* name, const char* caption, const char* hint,
                            void (TForm1::*handler)()) {
    return ::MakeAction(*this, this, name, caption, hint, [this, handler] { (this->*handler)(); });
}

void TForm1::CreateActions() {
    a_info = MakeAction("a_info", "&Info ...", nullptr, &TForm1::a_infoExecute);
    a_about = MakeAction("a_about", "&About ...", nullptr, &TForm1::a_aboutExecute);
    a_Tut = MakeAction("a_Tut", "&Tutorial ...", nullptr, &TForm1::a_TutExecute);
    a_updateEditPop = MakeAction("a_updateEditPop", "Update Edit Popup Menu", nullptr,
                                 &TForm1::a_updateEditPopExecute);
    Exit1 = new QAction("E&xit", this);
    Exit2 = new QAction("E&xit", this);
    for (QAction* exit : {Exit1, Exit2}) {
        connect(exit, &QAction::triggered, this, &QWidget::close);
    }
}

namespace {

QMenu* Menu(const char* title, std::initializer_list<QAction*> actions, QWidget* parent) {
    auto* menu = new QMenu(title, parent);
    AddActions(*menu, actions);
    return menu;
}

}  // namespace

void TForm1::BuildMenus() {
    const TZipPage& zip = *ZipPage;
    const TUnzipPage& unzip = *UnzipPage;
    MainMenu1 = {
        Menu("&File", {Exit1}, this),
        Menu("&Edit", {zip.a_DeleteSelected, zip.a_clear, zip.a_AddSelected, zip.a_AddAll}, this),
        Menu("&Actions",
             {zip.a_new, zip.a_AddToCurrentZip, zip.a_zOpenExisting, zip.a_zMakeEXE, nullptr,
              zip.a_encrypt},
             this),
        Menu("&Help", {a_info, a_about, a_Tut}, this),
    };
    MainMenu2 = {
        Menu("&File", {unzip.a_openUnzip, unzip.a_uOpenCurrent, unzip.a_uFix, nullptr, Exit2},
             this),
        Menu("&Actions", {unzip.a_unzipSel, unzip.a_unZipAll, unzip.a_uTest, unzip.a_delete}, this),
        Menu("&Help", {a_info, a_about, a_Tut}, this),
    };
    for (const auto* bar : {&MainMenu1, &MainMenu2}) {
        for (QMenu* menu : *bar) {
            connect(menu, &QMenu::aboutToShow, this, &TForm1::UpdateActions);
        }
    }
    UseMainMenu(MainMenu2);
}

void TForm1::UseMainMenu(const std::vector<QMenu*>& menu) {
    if (shownMainMenu_ == &menu) {
        return;
    }
    shownMainMenu_ = &menu;
    menuBar()->clear();
    for (QMenu* entry : menu) {
        menuBar()->addMenu(entry);
    }
}

void TForm1::BuildPopupMenus() {
    PopupMenu1 = new QMenu(this);
    FileOperations1 = PopupMenu1->addAction("File Operations ...");
    PopupMenu1->addSeparator();
    UpdateFiles1 = PopupMenu1->addAction("&Update Files");
    DeleteDirectory1 = PopupMenu1->addAction("&Delete Directory ...");
    NewDirectory1 = PopupMenu1->addAction("New Directory ...");
    const std::pair<QAction*, void (TForm1::*)()> popupHandlers[] = {
        {FileOperations1, &TForm1::FileOperations1Click},
        {UpdateFiles1, &TForm1::UpdateFiles1Click},
        {DeleteDirectory1, &TForm1::DeleteDirectory1Click},
        {NewDirectory1, &TForm1::NewDirectory1Click}};
    for (const auto& [entry, handler] : popupHandlers) {
        connect(entry, &QAction::triggered, this,
                [this, handler] { RunAction([this, handler] { (this->*handler)(); }); });
    }
    const TZipPage& zip = *ZipPage;
    const TUnzipPage& unzip = *UnzipPage;
    PopupMenu2 = Menu("", {zip.a_AddAll, zip.a_AddSelected}, this);
    PopupMenu3 = Menu(
        "", {zip.a_DeleteSelected, zip.a_clear, nullptr, zip.a_loadList, zip.a_saveFileList}, this);
    PopupMenu4 = Menu("", {unzip.a_openUnzip, unzip.a_uOpenCurrent}, this);
    PopupMenu4->addAction(QString());  // an entry that does nothing
    PopupMenu4->addSeparator();
    PopupMenu4->addActions({unzip.a_unzipSel, unzip.a_unZipAll, unzip.a_uTest, unzip.a_delete});
    PopupMenu4->addSeparator();
    PopupMenu4->addAction(unzip.a_saveUnzipFileList);
    PopupMenu5 = new QMenu(this);
    for (QMenu* popup : {PopupMenu1, PopupMenu2, PopupMenu3, PopupMenu4, PopupMenu5}) {
        connect(popup, &QMenu::aboutToShow, this, &TForm1::UpdateActions);
    }
}

// Each popup menu opens over the controls it serves, most of them the pages'.
void TForm1::AttachPopupMenus() {
    const std::pair<QWidget*, QMenu*> attachments[] = {{ZipPage->DirectoryListBox1, PopupMenu1},
                                                       {UnzipPage->DirectoryListBox2, PopupMenu1},
                                                       {UnzipPage->FileListBox2, PopupMenu1},
                                                       {ZipPage->FileListBox1, PopupMenu2},
                                                       {ZipPage->ListBox1, PopupMenu3},
                                                       {UnzipPage->ListBox2, PopupMenu4},
                                                       {Edit3, PopupMenu5}};
    for (const auto& [widget, popup] : attachments) {
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
        // A scrolling list reports the point in its viewport's coordinates.
        auto* area = qobject_cast<QAbstractScrollArea*>(widget);
        QWidget* origin = area != nullptr ? area->viewport() : widget;
        connect(widget, &QWidget::customContextMenuRequested, this,
                [origin, popup](const QPoint& where) { popup->popup(origin->mapToGlobal(where)); });
    }
}
