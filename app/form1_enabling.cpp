// The enabling rules, evaluated when the application is idle and before a menu opens, for
// the page on view.
#include <QAction>
#include <QLineEdit>

#include "entry_list_model.h"
#include "entry_list_view.h"
#include "file_list_box.h"
#include "form1.h"
#include "sorted_list_box.h"

void TForm1::UpdateActions() {
    if (ZipPageShown()) {
        a_AddSelectedUpdate();
        a_DeleteSelectedUpdate();
        a_newUpdate();
        a_zOpenExistingUpdate();
        a_AddToCurrentZipUpdate();
        a_saveFileListUpdate();
    } else {
        a_uOpenCurrentUpdate();
        a_unzipSelUpdate();
        a_saveUnzipFileListUpdate();
        SetStatusPanels("File Count: " + std::to_string(EntryList->RowCount()),
                        "Current File Name: " + Edit3->text().toStdString());
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

void TForm1::a_uOpenCurrentUpdate() {
    const bool isZip = CurrentArchiveIsZip();
    a_uOpenCurrent->setEnabled(isZip);
    a_uFix->setEnabled(isZip);
}

void TForm1::a_unzipSelUpdate() {
    const bool isZip = CurrentArchiveIsZip();
    const bool selected = isZip && ListBox2->HasSelection();
    a_unzipSel->setEnabled(selected);
    a_delete->setEnabled(selected);
    a_unZipAll->setEnabled(isZip);
}

void TForm1::a_saveUnzipFileListUpdate() {
    a_saveUnzipFileList->setEnabled(EntryList->RowCount() > 0);
}
