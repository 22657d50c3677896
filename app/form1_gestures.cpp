// Keys (acting on release) and pointer gestures of the main window's lists and trees.
#include <QAction>

#include "directory_list_box.h"
#include "file_list_box.h"
#include "form1.h"
#include "platform/interactive_services.h"

void TForm1::ListBox1KeyUp(int key) {
    if (key == Qt::Key_Delete) {
        a_DeleteSelectedUpdate();
        if (a_DeleteSelected->isEnabled()) {
            RunAction(&TForm1::a_DeleteSelectedExecute);
        }
    }
}

void TForm1::FileListBoxKeyUp(TFileListBox& list, int key) {
    if (key == Qt::Key_Delete) {
        mobrel::TBusyCursorScope hourglass;
        delFile(list);
    }
}

void TForm1::DirectoryListBoxKeyUp(TDirectoryListBox& tree, int key) {
    mobrel::TBusyCursorScope hourglass;
    if (key == Qt::Key_Insert) {
        createNewDir(tree);
    } else if (key == Qt::Key_Delete) {
        deleteDir(tree.Directory());
    }
}

void TForm1::FileListBox1DblClick() {
    a_AddSelectedExecute();
}

void TForm1::ListBox1DragDrop() {
    a_AddSelectedExecute();
}
