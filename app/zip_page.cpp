// The Zip page's wiring, the enabling rules, the folder with its files, the list of files to
// zip and the folder their names are stored relative to.
#include "zip_page.h"

#include <QAction>
#include <QLineEdit>
#include <QToolButton>

#include "directory_list_box.h"
#include "drive_combo_box.h"
#include "exception_handler.h"
#include "file_list_box.h"
#include "file_operations.h"
#include "filter_combo_box.h"
#include "platform/file_helpers.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "sorted_list_box.h"
#include "writer/zipper.h"

TZipPage::TZipPage(TPageHost& host, QWidget* parent)
    : QWidget(parent), host_(host), engine_(host.Engine()) {
    BuildControls();
    CreateActions();
    ConnectControls();
}

void TZipPage::ConnectControls() {
    DriveComboBox1->OnChange = [this] { RunGuarded([this] { DriveChanged(); }); };
    DirectoryListBox1->OnChange = [this] { RunGuarded([this] { FolderChanged(); }); };
    FilterComboBox1->OnChange = [this] { FileListBox1->SetMask(FilterComboBox1->Mask()); };
    FileListBox1->SetDirectory(DirectoryListBox1->Directory());
    connect(FileListBox1, &QListWidget::itemDoubleClicked, this,
            [this] { host_.RunAction([this] { AddSelectedFiles(); }); });
    connect(ListBox1, &QListWidget::itemClicked, this,
            [this] { host_.RunAction([this] { ShowStatus(); }); });
    connect(ToolButton20, &QToolButton::clicked, this,
            [this] { host_.RunAction([this] { ChooseRelativeFolder(); }); });
    ListBox1->OnFileListDrop = [this] { host_.RunAction([this] { AddSelectedFiles(); }); };
    ListBox1->OnKeyUp = [this](int key) { RunGuarded([this, key] { ListBox1KeyUp(key); }); };
}

void TZipPage::ListBox1KeyUp(int key) {
    if (key == Qt::Key_Delete) {
        a_DeleteSelectedUpdate();
        if (a_DeleteSelected->isEnabled()) {
            host_.RunAction([this] { DeleteSelectedFromList(); });
        }
    }
}

void TZipPage::Shown() {
    Edit6->clear();
    ShowStatus();
}

// --- Enabling rules ---

void TZipPage::UpdateActions() {
    a_AddSelectedUpdate();
    ShowStatus();
    a_DeleteSelectedUpdate();
    a_newUpdate();
    a_zOpenExistingUpdate();
    a_AddToCurrentZipUpdate();
    a_saveFileListUpdate();
}

void TZipPage::ShowStatus() {
    std::string files = "Files to Zip: " + std::to_string(ListBox1->count());
    if (!nextPassword_.empty()) {
        files += nextEncryption_ == mobrel::TZipEncryption::Traditional ? " (encrypted)"
                                                                        : " (encrypted with AES)";
    }
    host_.SetStatusPanels(files, "Current File Name: " + host_.CurrentArchive());
}

void TZipPage::a_AddSelectedUpdate() {
    const bool hasFiles = FileListBox1->count() > 0;
    a_AddAll->setEnabled(hasFiles);
    a_AddSelected->setEnabled(hasFiles && FileListBox1->HasSelection());
}

void TZipPage::a_DeleteSelectedUpdate() {
    const bool hasEntries = ListBox1->count() > 0;
    a_DeleteSelected->setEnabled(hasEntries && ListBox1->HasSelection());
    a_clear->setEnabled(hasEntries);
}

void TZipPage::a_newUpdate() {
    const bool hasEntries = ListBox1->count() > 0;
    a_new->setEnabled(hasEntries);
    a_zMakeEXE->setEnabled(hasEntries);
}

void TZipPage::a_zOpenExistingUpdate() {
    a_zOpenExisting->setEnabled(ListBox1->count() > 0);
}

void TZipPage::a_AddToCurrentZipUpdate() {
    a_AddToCurrentZip->setEnabled(host_.CurrentArchiveIsZip() && ListBox1->count() > 0);
}

void TZipPage::a_saveFileListUpdate() {
    a_saveFileList->setEnabled(ListBox1->count() > 0);
}

// --- The folder and its files ---

void TZipPage::ShowFolder(const std::string& folder) {
    DirectoryListBox1->SetDirectory(folder);
}

void TZipPage::ShowDrive(const std::string& drive) {
    DriveComboBox1->SetDrive(drive);
}

std::string TZipPage::Folder() const {
    return DirectoryListBox1->Directory();
}

void TZipPage::Reread() {
    FileListBox1->Update();
    DirectoryListBox1->Update();
}

void TZipPage::FolderChanged() {
    FileListBox1->SetDirectory(Folder());
    DriveComboBox1->SetDrive(Folder());
    host_.FolderShown(Folder());
}

void TZipPage::DriveChanged() {
    host_.DriveChosen(DriveComboBox1->Drive());
    DirectoryListBox1->SetDirectory(DriveComboBox1->Drive());
}

bool TZipPage::ChooseFilter(const std::string& caption) {
    const int index = FilterComboBox1->findText(QString::fromStdString(caption));
    if (index < 0) {
        return false;
    }
    FilterComboBox1->setCurrentIndex(index);
    return true;
}

std::vector<std::string> TZipPage::FolderFiles() const {
    return FileListBox1->Names();
}

namespace {

QListWidgetItem* FileNamed(const TFileListBox& list, const std::string& name) {
    const auto items = list.findItems(QString::fromStdString(name), Qt::MatchExactly);
    return items.isEmpty() ? nullptr : items.front();
}

}  // namespace

bool TZipPage::SelectFiles(const std::vector<std::string>& names) {
    FileListBox1->clearSelection();
    for (const std::string& name : names) {
        QListWidgetItem* item = FileNamed(*FileListBox1, name);
        if (item == nullptr) {
            return false;
        }
        item->setSelected(true);
    }
    return true;
}

bool TZipPage::FocusFile(const std::string& name) {
    QListWidgetItem* item = FileNamed(*FileListBox1, name);
    if (item != nullptr) {
        FileListBox1->setCurrentItem(item);
    }
    return item != nullptr;
}

// --- The list of files to zip ---

void TZipPage::AddAllFiles() {
    for (const std::string& name : FileListBox1->Names()) {
        ListBox1->Add(mobrel::JoinPath(FileListBox1->Directory(), name));
    }
}

void TZipPage::AddSelectedFiles() {
    for (const std::string& name : FileListBox1->SelectedNames()) {
        ListBox1->Add(mobrel::JoinPath(FileListBox1->Directory(), name));
    }
}

void TZipPage::AddToList(const std::string& name) {
    ListBox1->Add(name);
}

void TZipPage::SelectListRows(const std::vector<int>& rows) {
    ListBox1->clearSelection();
    for (int row : rows) {
        ListBox1->item(row)->setSelected(true);
    }
}

void TZipPage::DeleteSelectedFromList() {
    mobrel::TBusyCursorScope hourglass;
    for (int row = ListBox1->count() - 1; row >= 0; --row) {
        if (ListBox1->item(row)->isSelected()) {
            delete ListBox1->takeItem(row);
        }
    }
}

void TZipPage::ClearList() {
    ListBox1->clear();
}

std::vector<std::string> TZipPage::FilesToZip() const {
    return ListBox1->Items();
}

// --- The folder names are stored relative to ---

void TZipPage::SetRelativeFolder(const std::string& folder) {
    Edit6->setText(QString::fromStdString(folder));
}

std::string TZipPage::RelativeFolder() const {
    return Edit6->text().toStdString();
}

namespace {

// The folder chooser may return a typed folder that doesn't exist yet: it is created once
// the user agrees. False when the user cancels or declines.
bool ChooseOrCreateFolder(const std::string& start, std::string& chosen) {
    return mobrel::Services().ChooseFolder("Select a directory", start, chosen) &&
           CreateFolderIfAgreed(chosen);
}

}  // namespace

void TZipPage::ChooseRelativeFolder() {
    const std::string start = mobrel::IncludeTrailingSeparator(mobrel::CurrentFolder());
    std::string chosen;
    if (ChooseOrCreateFolder(start, chosen)) {
        SetRelativeFolder(mobrel::IncludeTrailingSeparator(chosen));
        DirectoryListBox1->SetDirectory(chosen);
    } else if (!mobrel::DirectoryExists(RelativeFolder())) {
        SetRelativeFolder(start);
    }
}
