// The main window's start-up, page switch, folder pairing, dialog hooks and dropped files.
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QToolButton>
#include <filesystem>
#include <system_error>

#include "directory_list_box.h"
#include "drive_combo_box.h"
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
#include "unzip_page.h"
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
    DirectoryListBox1->OnChange = [this] { RunGuarded([this] { DirectoryListBox1Change(); }); };
    FilterComboBox1->OnChange = [this] { FileListBox1->SetMask(FilterComboBox1->Mask()); };
    FileListBox1->SetDirectory(DirectoryListBox1->Directory());

    connect(PageControl1, &QTabWidget::currentChanged, this,
            [this] { RunGuarded([this] { PageControl1Change(); }); });
    connect(FileListBox1, &QListWidget::itemDoubleClicked, this,
            [this] { RunAction(&TForm1::FileListBox1DblClick); });
    connect(ListBox1, &QListWidget::itemClicked, this,
            [this] { RunAction(&TForm1::ListBox1Click); });
    connect(ToolButton20, &QToolButton::clicked, this,
            [this] { RunAction(&TForm1::ToolButton20Click); });
    ListBox1->OnFileListDrop = [this] { RunAction(&TForm1::ListBox1DragDrop); };

    ListBox1->OnKeyUp = [this](int key) { RunGuarded([this, key] { ListBox1KeyUp(key); }); };
    for (TFileListBox* list : {FileListBox1, UnzipPage->FileListBox2}) {
        list->OnKeyUp = [this, list](int key) {
            RunGuarded([this, list, key] { FileListBoxKeyUp(*list, key); });
        };
    }
    for (TDirectoryListBox* tree : {DirectoryListBox1, UnzipPage->DirectoryListBox2}) {
        tree->OnKeyUp = [this, tree](int key) {
            RunGuarded([this, tree, key] { DirectoryListBoxKeyUp(*tree, key); });
        };
    }
    OpenDialog1.OnShow = [this] { OpenDialog1Show(); };
    OpenDialog1.OnClose = [this] { OpenDialog1Close(); };
    SaveDialog1.OnClose = [this] { OpenDialog1Close(); };
}

void TForm1::FormCreate() {
    for (QLineEdit* box : {Edit3, Edit6}) {
        box->clear();
    }
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
    PageControl1->setCurrentWidget(UnzipPage);
    PageControl1->blockSignals(false);
    PageControl1Change();
    // The destination box always shows the Unzip page's folder, also when no folder change
    // has happened yet to put it there.
    UnzipPage->ResetDestinationBox();
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
    PageControl1->setCurrentWidget(UnzipPage);
    PageControl1->blockSignals(false);
    UnzipPage->OpenArchive(argument);
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

void TForm1::ShowZipPage() {
    PageControl1->setCurrentWidget(TabSheet1);
}

void TForm1::ShowUnzipPage() {
    PageControl1->setCurrentWidget(UnzipPage);
}

void TForm1::RereadFoldersAndFiles() {
    UnzipPage->Reread();
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
        UseMainMenu(MainMenu2);
        setWindowTitle("Tollan's Mobrel - Unzip a File");
        UnzipPage->Shown();
    }
    a_updateEditPopExecute();
}

void TForm1::a_updateEditPopExecute() {
    PopupMenu5->clear();
    if (ZipPageShown()) {
        PopupMenu5->addActions({a_new, a_AddToCurrentZip, a_zOpenExisting});
    } else {
        PopupMenu5->addActions({UnzipPage->a_openUnzip, UnzipPage->a_uOpenCurrent});
    }
}

void TForm1::OpenDialog1Show() {
    OpenDialog1.InitialDir = ZipPageShown() ? ZipFolder() : UnzipPage->Folder();
}

void TForm1::OpenDialog1Close() {
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (!error) {
        if (ZipPageShown()) {
            DirectoryListBox1->SetDirectory(current.string());
        } else {
            UnzipPage->ShowFolder(current.string());
        }
    }
    if (!CurrentArchiveIsZip()) {
        UnzipPage->ForgetCurrentArchive();
        return;
    }
    // An archive that can no longer be read is forgotten here instead of ending the action:
    // it must not stand in the way of the archive the user chose in the dialog.
    try {
        UnzipPage->OpenCurrentArchive();
    } catch (...) {
        UnzipPage->ForgetCurrentArchive();
    }
}

void TForm1::DropFile(const std::string& fileName) {
    PageControl1->blockSignals(true);
    PageControl1->setCurrentWidget(UnzipPage);
    PageControl1->blockSignals(false);
    UnzipPage->OpenArchive(fileName);
    DirectoryListBox1->SetDirectory(FolderOf(fileName));
    PageControl1Change();
}

void TForm1::DriveComboBox1Change() {
    DriveChosen(DriveComboBox1->Drive());
    DirectoryListBox1->SetDirectory(DriveComboBox1->Drive());
}

void TForm1::DirectoryListBox1Change() {
    FileListBox1->SetDirectory(DirectoryListBox1->Directory());
    DriveComboBox1->SetDrive(DirectoryListBox1->Directory());
    FolderShown(DirectoryListBox1->Directory());
}

void TForm1::FolderShown(const std::string& folder) {
    DirectoryListBox1->SetDirectory(folder);
    UnzipPage->ShowFolder(folder);
}

void TForm1::DriveChosen(const std::string& drive) {
    DriveComboBox1->SetDrive(drive);
    UnzipPage->ShowDrive(drive);
}

std::string TForm1::ZipFolder() const {
    return DirectoryListBox1->Directory();
}

bool TForm1::CurrentArchiveIsZip() const {
    const std::string name = CurrentArchive();
    return !name.empty() && mobrel::FileExists(name) && HasZipExtension(name);
}

std::string TForm1::CurrentArchive() const {
    return Edit3->text().toStdString();
}

void TForm1::SetCurrentArchive(const std::string& name) {
    Edit3->setText(QString::fromStdString(name));
}

void TForm1::SetStatusPanels(const std::string& panel0, const std::string& panel1) {
    StatusPanel0->setText(QString::fromStdString(panel0));
    StatusPanel1->setText(QString::fromStdString(panel1));
}
