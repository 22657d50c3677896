// The main window's start-up, page switch, folder pairing, dialog hooks and dropped files.
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QToolButton>
#include <filesystem>
#include <system_error>

#include "directory_list_box.h"
#include "drive_combo_box.h"
#include "entry_list_model.h"
#include "entry_list_view.h"
#include "exception_handler.h"
#include "extract/file_helpers.h"
#include "file_list_box.h"
#include "file_operations.h"
#include "filter_combo_box.h"
#include "form1.h"
#include "last_filename.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "program_version.h"
#include "sorted_list_box.h"
#include "zip_extension.h"

namespace {

// The folder of a file: its name without the last component, no trailing separator except
// at the root.
std::string FolderOf(const std::string& fileName) {
    return mobrel::ExcludeTrailingSeparator(mobrel::FolderPart(fileName));
}

}  // namespace

void TForm1::ConnectControls() {
    DriveComboBox1->OnChange = [this] { RunGuarded([this] { DriveComboBox1Change(); }); };
    DriveComboBox2->OnChange = [this] { RunGuarded([this] { DriveComboBox2Change(); }); };
    DirectoryListBox1->OnChange = [this] { RunGuarded([this] { DirectoryListBox1Change(); }); };
    DirectoryListBox2->OnChange = [this] { RunGuarded([this] { DirectoryListBox2Change(); }); };
    FilterComboBox1->OnChange = [this] { FileListBox1->SetMask(FilterComboBox1->Mask()); };
    FileListBox1->SetDirectory(DirectoryListBox1->Directory());
    FileListBox2->SetDirectory(DirectoryListBox2->Directory());

    connect(PageControl1, &QTabWidget::currentChanged, this,
            [this] { RunGuarded([this] { PageControl1Change(); }); });
    connect(FileListBox1, &QListWidget::itemDoubleClicked, this,
            [this] { RunAction(&TForm1::FileListBox1DblClick); });
    connect(FileListBox2, &QListWidget::itemDoubleClicked, this,
            [this] { RunAction(&TForm1::FileListBox2DblClick); });
    connect(ListBox1, &QListWidget::itemClicked, this,
            [this] { RunAction(&TForm1::ListBox1Click); });
    connect(ToolButton20, &QToolButton::clicked, this,
            [this] { RunAction(&TForm1::ToolButton20Click); });
    connect(Edit4, &QLineEdit::editingFinished, this,
            [this] { RunGuarded([this] { ApplyDestinationBox(); }); });
    Header1->setSectionsClickable(true);
    Header1->setSortIndicatorShown(false);
    // Queued: sorting lays the rows out anew, which the header must not see in the middle
    // of handling the click.
    connect(
        Header1, &QHeaderView::sectionClicked, this,
        [this](int column) {
            if (!OperationRunning()) {
                RunGuarded([this, column] { SortByColumn(column); });
            }
        },
        Qt::QueuedConnection);
    ListBox1->OnFileListDrop = [this] { RunAction(&TForm1::ListBox1DragDrop); };
    ListBox2->OnDblClick = [this] { RunAction(&TForm1::ListBox2DblClick); };

    ListBox1->OnKeyUp = [this](int key) { RunGuarded([this, key] { ListBox1KeyUp(key); }); };
    ListBox2->OnKeyUp = [this](int key) { RunGuarded([this, key] { ListBox2KeyUp(key); }); };
    for (TFileListBox* list : {FileListBox1, FileListBox2}) {
        list->OnKeyUp = [this, list](int key) {
            RunGuarded([this, list, key] { FileListBoxKeyUp(*list, key); });
        };
    }
    for (TDirectoryListBox* tree : {DirectoryListBox1, DirectoryListBox2}) {
        tree->OnKeyUp = [this, tree](int key) {
            RunGuarded([this, tree, key] { DirectoryListBoxKeyUp(*tree, key); });
        };
    }
    OpenDialog1.OnShow = [this] { OpenDialog1Show(); };
    OpenDialog1.OnClose = [this] { OpenDialog1Close(); };
    SaveDialog1.OnClose = [this] { OpenDialog1Close(); };
}

void TForm1::FormCreate() {
    for (QLineEdit* box : {Edit1, Edit3, Edit4, Edit5, Edit6}) {
        box->clear();
    }
    ViewedFiles.clear();
    const std::string lastFile = LastFilename();
    if (!lastFile.empty() && mobrel::FileExists(lastFile)) {
        Edit3->setText(QString::fromStdString(lastFile));
        DirectoryListBox1->SetDirectory(FolderOf(lastFile));
    } else {
        Edit3->clear();
        const std::string folder = mobrel::FolderPart(lastFile);
        if (!folder.empty() && mobrel::DirectoryExists(folder)) {
            DirectoryListBox1->SetDirectory(folder);
        }
    }
    a_updateEditPopExecute();
    PageControl1->blockSignals(true);
    PageControl1->setCurrentWidget(TabSheet2);
    PageControl1->blockSignals(false);
    PageControl1Change();
    // The destination box always shows the Unzip page's folder, also when no folder change
    // has happened yet to put it there.
    Edit4->setText(QString::fromStdString(UnzipFolder()));
    setWindowTitle(kProgramVersion);
}

void TForm1::FormShow() {
    if (arguments_.isEmpty()) {
        return;
    }
    // Made whole now: the folder trees change the current folder, and a relative name
    // would then point elsewhere.
    std::error_code error;
    const std::filesystem::path given = arguments_.constFirst().toStdString();
    const std::filesystem::path whole = std::filesystem::absolute(given, error);
    const std::string argument = (error ? given : whole.lexically_normal()).string();
    if (!HasZipExtension(argument)) {
        mobrel::Services().MessageBox("This is not a zip file.", "", mobrel::TMsgButtons::Ok);
        return;
    }
    PageControl1->blockSignals(true);
    PageControl1->setCurrentWidget(TabSheet2);
    PageControl1->blockSignals(false);
    openTheZip(argument);
    DirectoryListBox1->SetDirectory(FolderOf(argument));
    PageControl1Change();
}

void TForm1::FormActivate() {
    if (ZipPageShown()) {
        UseMainMenu(MainMenu1);
        setWindowTitle("Make a Zip File");
    } else {
        UseMainMenu(MainMenu2);
        setWindowTitle("Tollan's Mobrel - Unzip a File");
    }
}

bool TForm1::ZipPageShown() const {
    return PageControl1->currentWidget() == TabSheet1;
}

void TForm1::RereadFoldersAndFiles() {
    DirectoryListBox2->Update();
    FileListBox2->Update();
    FileListBox1->Update();
    DirectoryListBox1->Update();
}

void TForm1::PageControl1Change() {
    RereadFoldersAndFiles();
    if (ZipPageShown()) {
        Edit6->clear();
        UseMainMenu(MainMenu1);
        setWindowTitle("Tollan's Mobrel - Make a Zip File");
        SetStatusPanels("Files to Zip: " + std::to_string(ListBox1->count()),
                        "Current File Name: " + Edit3->text().toStdString());
    } else {
        Edit1->clear();
        Edit5->clear();
        UseMainMenu(MainMenu2);
        setWindowTitle("Tollan's Mobrel - Unzip a File");
        if (CurrentArchiveIsZip()) {
            a_uOpenCurrentExecute();
        } else {
            ForgetCurrentArchive();
        }
    }
    a_updateEditPopExecute();
}

void TForm1::a_updateEditPopExecute() {
    PopupMenu5->clear();
    if (ZipPageShown()) {
        PopupMenu5->addActions({a_new, a_AddToCurrentZip, a_zOpenExisting});
    } else {
        PopupMenu5->addActions({a_openUnzip, a_uOpenCurrent});
    }
}

void TForm1::OpenDialog1Show() {
    OpenDialog1.InitialDir = ZipPageShown() ? ZipFolder() : UnzipFolder();
}

void TForm1::OpenDialog1Close() {
    TDirectoryListBox* shownTree = ZipPageShown() ? DirectoryListBox1 : DirectoryListBox2;
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (!error) {
        shownTree->SetDirectory(current.string());
    }
    if (!CurrentArchiveIsZip()) {
        ForgetCurrentArchive();
        return;
    }
    // An archive that can no longer be read is forgotten here instead of ending the action:
    // it must not stand in the way of the archive the user chose in the dialog.
    try {
        a_uOpenCurrentExecute();
    } catch (...) {
        ForgetCurrentArchive();
    }
}

void TForm1::DropFile(const std::string& fileName) {
    PageControl1->blockSignals(true);
    PageControl1->setCurrentWidget(TabSheet2);
    PageControl1->blockSignals(false);
    openTheZip(fileName);
    DirectoryListBox1->SetDirectory(FolderOf(fileName));
    PageControl1Change();
}

void TForm1::DriveComboBox1Change() {
    DriveComboBox2->SetDrive(DriveComboBox1->Drive());
    DirectoryListBox1->SetDirectory(DriveComboBox1->Drive());
}

void TForm1::DriveComboBox2Change() {
    DriveComboBox1->SetDrive(DriveComboBox2->Drive());
    DirectoryListBox2->SetDirectory(DriveComboBox2->Drive());
}

void TForm1::DirectoryListBox1Change() {
    FileListBox1->SetDirectory(DirectoryListBox1->Directory());
    DriveComboBox1->SetDrive(DirectoryListBox1->Directory());
    DirectoryListBox2->SetDirectory(DirectoryListBox1->Directory());
    Edit4->setText(QString::fromStdString(UnzipFolder()));
}

void TForm1::DirectoryListBox2Change() {
    FileListBox2->SetDirectory(DirectoryListBox2->Directory());
    DriveComboBox2->SetDrive(DirectoryListBox2->Directory());
    DirectoryListBox1->SetDirectory(DirectoryListBox2->Directory());
    Edit4->setText(QString::fromStdString(UnzipFolder()));
}

bool TForm1::ApplyDestinationBox() {
    // Answering the question below takes the focus from the box, which must not ask again.
    if (applyingDestination_) {
        return false;
    }
    const std::string shown = UnzipFolder();
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
    Edit4->setText(QString::fromStdString(UnzipFolder()));
    return usable;
}

std::string TForm1::UnzipFolder() const {
    return DirectoryListBox2->Directory();
}

std::string TForm1::ZipFolder() const {
    return DirectoryListBox1->Directory();
}

bool TForm1::CurrentArchiveIsZip() const {
    const std::string name = Edit3->text().toStdString();
    return !name.empty() && mobrel::FileExists(name) && HasZipExtension(name);
}

void TForm1::ForgetCurrentArchive() {
    Edit3->clear();
    Edit1->clear();
    Edit5->clear();
    EntryList->Clear();
    unzippedTotal_ = 0;
}

void TForm1::SetStatusPanels(const std::string& panel0, const std::string& panel1) {
    StatusPanel0->setText(QString::fromStdString(panel0));
    StatusPanel1->setText(QString::fromStdString(panel1));
}
