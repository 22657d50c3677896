// The Unzip page's wiring: its controls' gestures, the enabling rules, the folder tree with
// its drive box and the destination box.
#include "unzip_page.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <filesystem>

#include "directory_list_box.h"
#include "drive_combo_box.h"
#include "entry_list_model.h"
#include "entry_list_view.h"
#include "exception_handler.h"
#include "file_list_box.h"
#include "file_operations.h"
#include "names_encoding_combo_box.h"
#include "platform/host_path.h"
#include "writer/zipper.h"

TUnzipPage::TUnzipPage(TPageHost& host, QWidget* parent)
    : QWidget(parent), host_(host), engine_(host.Engine()) {
    BuildControls();
    CreateActions();
    ConnectControls();
    ConnectEngine();
}

void TUnzipPage::ConnectControls() {
    DriveComboBox2->OnChange = [this] { RunGuarded([this] { DriveChanged(); }); };
    DirectoryListBox2->OnChange = [this] { RunGuarded([this] { FolderChanged(); }); };
    FileListBox2->SetDirectory(DirectoryListBox2->Directory());
    connect(FileListBox2, &QListWidget::itemDoubleClicked, this,
            [this] { host_.RunAction([this] { OpenFocusedFile(); }); });
    connect(Edit4, &QLineEdit::editingFinished, this,
            [this] { RunGuarded([this] { ApplyDestinationBox(); }); });
    Header1->setSectionsClickable(true);
    Header1->setSortIndicatorShown(false);
    // Queued: sorting lays the rows out anew, which the header must not see in the middle
    // of handling the click.
    connect(
        Header1, &QHeaderView::sectionClicked, this,
        [this](int column) {
            if (!host_.OperationRunning()) {
                RunGuarded([this, column] { SortByColumn(column); });
            }
        },
        Qt::QueuedConnection);
    // While an operation runs the choice is refused, and the box goes back to the engine's.
    NamesEncoding->OnChange = [this] {
        host_.RunAction([this] { ChooseNamesEncoding(NamesEncoding->Page()); });
        NamesEncoding->SetPage(engine_.NamesCodePage());
    };
    ListBox2->OnDblClick = [this] { host_.RunAction([this] { ViewFocusedRow(); }); };
    ListBox2->OnKeyUp = [this](int key) { RunGuarded([this, key] { ListBox2KeyUp(key); }); };
    ListBox2->OnStartDrag = [this] { DragSelectedOut(); };
}

void TUnzipPage::ConnectEngine() {
    engine_.OnBadPassword = [this](mobrel::TUnZipper&, int fileIndex, std::string& newPassword) {
        AskForPassword(fileIndex, newPassword);
    };
    engine_.OnInCompleteZip = [this](mobrel::TUnZipper&, mobrel::TIncompleteZipMode&) {
        WarnIncompleteArchive();
    };
    failures_.Attach(engine_);
    failures_.OnFailure = [this](mobrel::TEntryFailure& failure) { NoteUserSkips(failure); };
}

void TUnzipPage::ListBox2KeyUp(int key) {
    if (key == Qt::Key_Delete) {
        a_unzipSelUpdate();
        if (a_delete->isEnabled()) {
            host_.RunAction([this] { DeleteSelected(); });
        }
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // The keyboard's way to do what a double-click does.
        host_.RunAction([this] { ViewFocusedRow(); });
    }
}

void TUnzipPage::Shown() {
    Edit1->clear();
    Edit5->clear();
    if (host_.CurrentArchiveIsZip()) {
        OpenCurrentArchive();
    } else {
        ForgetCurrentArchive();
    }
}

void TUnzipPage::ForgetCurrentArchive() {
    host_.SetCurrentArchive("");
    Edit1->clear();
    Edit5->clear();
    EntryList->Clear();
    unzippedTotal_ = 0;
}

void TUnzipPage::DetachFromEngine() {
    EntryList->Clear();
}

// --- Enabling rules ---

void TUnzipPage::UpdateActions() {
    a_uOpenCurrentUpdate();
    a_unzipSelUpdate();
    a_saveUnzipFileListUpdate();
    host_.SetStatusPanels("File Count: " + std::to_string(EntryList->RowCount()),
                          "Current File Name: " + host_.CurrentArchive());
}

void TUnzipPage::a_uOpenCurrentUpdate() {
    const bool isZip = host_.CurrentArchiveIsZip();
    a_uOpenCurrent->setEnabled(isZip);
    a_uFix->setEnabled(isZip);
}

void TUnzipPage::a_unzipSelUpdate() {
    const bool isZip = host_.CurrentArchiveIsZip();
    const bool selected = isZip && ListBox2->HasSelection();
    a_unzipSel->setEnabled(selected);
    a_delete->setEnabled(selected);
    a_unZipAll->setEnabled(isZip);
    a_uTest->setEnabled(isZip);
}

void TUnzipPage::a_saveUnzipFileListUpdate() {
    a_saveUnzipFileList->setEnabled(EntryList->RowCount() > 0);
}

// --- The destination folder ---

void TUnzipPage::ShowFolder(const std::string& folder) {
    DirectoryListBox2->SetDirectory(folder);
}

void TUnzipPage::ShowDrive(const std::string& drive) {
    DriveComboBox2->SetDrive(drive);
}

std::string TUnzipPage::Folder() const {
    return DirectoryListBox2->Directory();
}

void TUnzipPage::Reread() {
    DirectoryListBox2->Update();
    FileListBox2->Update();
}

void TUnzipPage::FolderChanged() {
    FileListBox2->SetDirectory(Folder());
    DriveComboBox2->SetDrive(Folder());
    host_.FolderShown(Folder());
    ResetDestinationBox();
}

void TUnzipPage::DriveChanged() {
    host_.DriveChosen(DriveComboBox2->Drive());
    DirectoryListBox2->SetDirectory(DriveComboBox2->Drive());
}

bool TUnzipPage::SetDestination(const std::string& folder) {
    TypeDestination(folder);
    return ApplyDestinationBox();
}

void TUnzipPage::ResetDestinationBox() {
    Edit4->setText(QString::fromStdString(Folder()));
}

void TUnzipPage::TypeDestination(const std::string& text) {
    Edit4->setText(QString::fromStdString(text));
}

bool TUnzipPage::ApplyDestinationBox() {
    // Answering the question below takes the focus from the box, which must not ask again.
    if (applyingDestination_) {
        return false;
    }
    const std::string shown = Folder();
    std::string typed = Edit4->text().trimmed().toStdString();
    if (!typed.empty() && typed.front() != mobrel::kPathSeparator) {
        typed = mobrel::JoinPath(shown, typed);
    }
    typed = std::filesystem::path(typed).lexically_normal().string();
    if (typed.size() > 1) {
        typed = mobrel::ExcludeTrailingSeparator(typed);
    }
    bool usable = true;
    if (!typed.empty() && typed != shown) {
        applyingDestination_ = true;
        try {
            usable = CreateFolderIfAgreed(typed);
        } catch (...) {
            applyingDestination_ = false;
            Edit4->setText(QString::fromStdString(shown));
            throw;
        }
        applyingDestination_ = false;
        if (usable) {
            DirectoryListBox2->SetDirectory(typed);
            usable = DirectoryListBox2->Directory() == typed;
        }
    }
    ResetDestinationBox();
    return usable;
}
