// The main window's actions and what they are bound to: menu bars, tool bars, popup menus.
#include <QAbstractScrollArea>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "command_actions.h"
#include "directory_list_box.h"
#include "entry_list_view.h"
#include "file_list_box.h"
#include "form1.h"
#include "sorted_list_box.h"
#include "unzip_page.h"

QAction* TForm1::MakeAction(const char* name, const char* caption, const char* hint,
                            void (TForm1::*handler)()) {
    return ::MakeAction(*this, this, name, caption, hint, [this, handler] { (this->*handler)(); });
}

void TForm1::CreateActions() {
    a_AddAll = MakeAction("a_AddAll", "Add All Directory Files to List", "Add all files to list",
                          &TForm1::a_AddAllExecute);
    a_AddSelected = MakeAction("a_AddSelected", "Add Selected Files to List",
                               "Add Selected Files to List", &TForm1::a_AddSelectedExecute);
    a_DeleteSelected =
        MakeAction("a_DeleteSelected", "Delete Selected Items in List",
                   "Remove Selected Files from List", &TForm1::a_DeleteSelectedExecute);
    a_clear =
        MakeAction("a_clear", "Clear Files in List", "Clear the List", &TForm1::a_clearExecute);
    a_new = MakeAction("a_new", "Create New Zip", "Add all files to a New Zip File",
                       &TForm1::a_newExecute);
    a_AddToCurrentZip =
        MakeAction("a_AddToCurrentZip", "Add Files to Current Zip",
                   "Add Files to Currently Open Zip", &TForm1::a_AddToCurrentZipExecute);
    a_zOpenExisting = MakeAction("a_zOpenExisting", "Add Files to Existing Zip File",
                                 "Add Files to an Existing Zip", &TForm1::a_zOpenExistingExecute);
    a_zMakeEXE = MakeAction("a_zMakeEXE", "Make an Exe File", "Make an EXE file",
                            &TForm1::a_zMakeEXEExecute);
    a_loadList =
        MakeAction("a_loadList", "Load a List of Files", nullptr, &TForm1::a_loadListExecute);
    a_saveFileList = MakeAction("a_saveFileList", "Save List of Files...", nullptr,
                                &TForm1::a_saveFileListExecute);
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
    MainMenu1 = {
        Menu("&File", {Exit1}, this),
        Menu("&Edit", {a_DeleteSelected, a_clear, a_AddSelected, a_AddAll}, this),
        Menu("&Actions", {a_new, a_AddToCurrentZip, a_zOpenExisting, a_zMakeEXE}, this),
        Menu("&Help", {a_info, a_about, a_Tut}, this),
    };
    const TUnzipPage& unzip = *UnzipPage;
    MainMenu2 = {
        Menu("&File", {unzip.a_openUnzip, unzip.a_uOpenCurrent, unzip.a_uFix, nullptr, Exit2},
             this),
        Menu("&Actions", {unzip.a_unzipSel, unzip.a_unZipAll, unzip.a_delete}, this),
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

void TForm1::BuildToolBars() {
    AddActions(*ListToolBar, {a_DeleteSelected, a_clear, a_AddSelected, a_AddAll});
    AddActions(*ZipToolBar, {a_new, a_AddToCurrentZip, a_zOpenExisting, nullptr, a_zMakeEXE});
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
        connect(entry, &QAction::triggered, this, [this, handler] { RunAction(handler); });
    }
    PopupMenu2 = Menu("", {a_AddAll, a_AddSelected}, this);
    PopupMenu3 = Menu("", {a_DeleteSelected, a_clear, nullptr, a_loadList, a_saveFileList}, this);
    const TUnzipPage& unzip = *UnzipPage;
    PopupMenu4 = Menu("", {unzip.a_openUnzip, unzip.a_uOpenCurrent}, this);
    PopupMenu4->addAction(QString());  // an entry that does nothing
    PopupMenu4->addSeparator();
    PopupMenu4->addActions({unzip.a_unzipSel, unzip.a_unZipAll, unzip.a_delete});
    PopupMenu4->addSeparator();
    PopupMenu4->addAction(unzip.a_saveUnzipFileList);
    PopupMenu5 = new QMenu(this);
    for (QMenu* popup : {PopupMenu1, PopupMenu2, PopupMenu3, PopupMenu4, PopupMenu5}) {
        connect(popup, &QMenu::aboutToShow, this, &TForm1::UpdateActions);
    }

    const std::pair<QWidget*, QMenu*> attachments[] = {{DirectoryListBox1, PopupMenu1},
                                                       {unzip.DirectoryListBox2, PopupMenu1},
                                                       {unzip.FileListBox2, PopupMenu1},
                                                       {FileListBox1, PopupMenu2},
                                                       {ListBox1, PopupMenu3},
                                                       {unzip.ListBox2, PopupMenu4},
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
