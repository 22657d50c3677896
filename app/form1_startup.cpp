// The main window's start-up, page switch, folder pairing, dialog hooks and dropped files.
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <filesystem>
#include <system_error>

#include "directory_list_box.h"
#include "exception_handler.h"
#include "file_list_box.h"
#include "file_operations.h"
#include "form1.h"
#include "last_filename.h"
#include "platform/file_helpers.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "program_version.h"
#include "unzip_page.h"
#include "zip_extension.h"
#include "zip_page.h"

namespace {

// The folder of a file: its name without the last component, no trailing separator except
// at the root.
std::string FolderOf(const std::string& fileName) {
    return mobrel::ExcludeTrailingSeparator(mobrel::FolderPart(fileName));
}

}  // namespace

void TForm1::ConnectControls() {
    connect(PageControl1, &QTabWidget::currentChanged, this,
            [this] { RunGuarded([this] { PageControl1Change(); }); });
    // The file operations' keys, on both pages' file lists and folder trees.
    for (TFileListBox* list : {ZipPage->FileListBox1, UnzipPage->FileListBox2}) {
        list->OnKeyUp = [this, list](int key) {
            RunGuarded([this, list, key] { FileListBoxKeyUp(*list, key); });
        };
    }
    for (TDirectoryListBox* tree : {ZipPage->DirectoryListBox1, UnzipPage->DirectoryListBox2}) {
        tree->OnKeyUp = [this, tree](int key) {
            RunGuarded([this, tree, key] { DirectoryListBoxKeyUp(*tree, key); });
        };
    }
    OpenDialog1.OnShow = [this] { OpenDialog1Show(); };
    OpenDialog1.OnClose = [this] { OpenDialog1Close(); };
    SaveDialog1.OnClose = [this] { OpenDialog1Close(); };
}

void TForm1::FormCreate() {
    const std::string lastFile = LastFilename();
    if (!lastFile.empty() && mobrel::FileExists(lastFile)) {
        SetCurrentArchive(lastFile);
        ZipPage->ShowFolder(FolderOf(lastFile));
    } else {
        SetCurrentArchive("");
        const std::string folder = mobrel::FolderPart(lastFile);
        if (!folder.empty() && mobrel::DirectoryExists(folder)) {
            ZipPage->ShowFolder(folder);
        }
    }
    a_updateEditPopExecute();
    TurnToUnzipPageQuietly();
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
    OpenOnTheUnzipPage(argument);
}

void TForm1::DropFile(const std::string& fileName) {
    OpenOnTheUnzipPage(fileName);
}

void TForm1::OpenOnTheUnzipPage(const std::string& archive) {
    TurnToUnzipPageQuietly();
    UnzipPage->OpenArchive(archive);
    ZipPage->ShowFolder(FolderOf(archive));
    PageControl1Change();
}

// The page switch's handler stays out of it: the caller runs it when the page is ready.
void TForm1::TurnToUnzipPageQuietly() {
    PageControl1->blockSignals(true);
    PageControl1->setCurrentWidget(UnzipPage);
    PageControl1->blockSignals(false);
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

// --- Pages ---

bool TForm1::ZipPageShown() const {
    return PageControl1->currentWidget() == ZipPage;
}

void TForm1::ShowZipPage() {
    PageControl1->setCurrentWidget(ZipPage);
}

void TForm1::ShowUnzipPage() {
    PageControl1->setCurrentWidget(UnzipPage);
}

void TForm1::PageControl1Change() {
    RereadFoldersAndFiles();
    if (ZipPageShown()) {
        UseMainMenu(MainMenu1);
        setWindowTitle("Tollan's Mobrel - Make a Zip File");
        ZipPage->Shown();
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
        PopupMenu5->addActions(
            {ZipPage->a_new, ZipPage->a_AddToCurrentZip, ZipPage->a_zOpenExisting});
    } else {
        PopupMenu5->addActions({UnzipPage->a_openUnzip, UnzipPage->a_uOpenCurrent});
    }
}

// --- The shared dialogs ---

void TForm1::OpenDialog1Show() {
    OpenDialog1.InitialDir = ZipPageShown() ? ZipPage->Folder() : UnzipPage->Folder();
}

void TForm1::OpenDialog1Close() {
    // The folder the user ended in is shown, and with it on both pages.
    const std::string current = mobrel::CurrentFolder();
    if (!current.empty()) {
        if (ZipPageShown()) {
            ZipPage->ShowFolder(current);
        } else {
            UnzipPage->ShowFolder(current);
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

// --- The pages' shared state ---

// Setting the folder a tree already shows does nothing, so the page that moved first is
// left alone and the pairing settles after one exchange.
void TForm1::FolderShown(const std::string& folder) {
    ZipPage->ShowFolder(folder);
    UnzipPage->ShowFolder(folder);
}

void TForm1::DriveChosen(const std::string& drive) {
    ZipPage->ShowDrive(drive);
    UnzipPage->ShowDrive(drive);
}

void TForm1::RereadFoldersAndFiles() {
    UnzipPage->Reread();
    ZipPage->Reread();
}

std::string TForm1::CurrentArchive() const {
    return Edit3->text().toStdString();
}

void TForm1::SetCurrentArchive(const std::string& name) {
    Edit3->setText(QString::fromStdString(name));
}

bool TForm1::CurrentArchiveIsZip() const {
    const std::string name = CurrentArchive();
    return !name.empty() && mobrel::FileExists(name) && HasZipExtension(name);
}

void TForm1::ClearFilesToZip() {
    ZipPage->ClearList();
}

void TForm1::SetStatusPanels(const std::string& panel0, const std::string& panel1) {
    StatusPanel0->setText(QString::fromStdString(panel0));
    StatusPanel1->setText(QString::fromStdString(panel1));
}
