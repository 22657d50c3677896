// The enabling rules, evaluated when the application is idle and before a menu opens, for
// the page on view.
#include <QAction>
#include <QLineEdit>

#include "file_list_box.h"
#include "form1.h"
#include "sorted_list_box.h"
#include "unzip_page.h"

void TForm1::UpdateActions() {
    if (ZipPageShown()) {
        a_AddSelectedUpdate();
        a_DeleteSelectedUpdate();
        a_newUpdate();
        a_zOpenExistingUpdate();
        a_AddToCurrentZipUpdate();
        a_saveFileListUpdate();
    } else {
        UnzipPage->UpdateActions();
    }
}

void TForm1::a_AddSelectedUpdate() {
    const bool hasFiles = FileListBox1->count() > 0;
    a_AddAll->setEnabled(hasFiles);
    a_AddSelected->setEnabled(hasFiles && FileListBox1->HasSelection());
    SetStatusPanels("Files to Zip: " + std::to_string(ListBox1->count()),
                    "Current File Name: " + Edit3->text().toStdString());
}

void TForm1::a_DeleteSelectedUpdate() {
    const bool hasEntries = ListBox1->count() > 0;
    a_DeleteSelected->setEnabled(hasEntries && ListBox1->HasSelection());
    a_clear->setEnabled(hasEntries);
}

void TForm1::a_newUpdate() {
    const bool hasEntries = ListBox1->count() > 0;
    a_new->setEnabled(hasEntries);
    a_zMakeEXE->setEnabled(hasEntries);
}

void TForm1::a_zOpenExistingUpdate() {
    a_zOpenExisting->setEnabled(ListBox1->count() > 0);
}

void TForm1::a_AddToCurrentZipUpdate() {
    a_AddToCurrentZip->setEnabled(CurrentArchiveIsZip() && ListBox1->count() > 0);
}

void TForm1::a_saveFileListUpdate() {
    a_saveFileList->setEnabled(ListBox1->count() > 0);
}
