// The Zip page's handlers, the saved file lists and the file operations of the main window.
#include <QLineEdit>
#include <QProgressBar>
#include <filesystem>
#include <system_error>

#include "directory_list_box.h"
#include "extract/file_helpers.h"
#include "file_list_box.h"
#include "file_operations.h"
#include "form1.h"
#include "form_file_ops.h"
#include "input_box.h"
#include "last_filename.h"
#include "platform/engine_errors.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "saved_file_list.h"
#include "sorted_list_box.h"
#include "unzip_page.h"
#include "writer/zipper.h"

namespace {

constexpr const char* kMessageCaption = "Mobrel";
constexpr const char* kZipFilter = "Zip Files|*.zip";

void ShowMessage(const std::string& text) {
    mobrel::Services().MessageBox(text, kMessageCaption, mobrel::TMsgButtons::Ok);
}

std::string CurrentFolder() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string() : folder.string();
}

// The folder chooser may return a typed folder that doesn't exist yet: it is created once
// the user agrees. False when the user cancels or declines.
bool ChooseOrCreateFolder(const std::string& start, std::string& chosen) {
    return mobrel::Services().ChooseFolder("Select a directory", start, chosen) &&
           CreateFolderIfAgreed(chosen);
}

// The Zip page's fixed settings on the engine, with the list of files to zip as FilesList.
void ConfigureZipRun(mobrel::TZipper& zipper, const std::string& name,
                     const std::string& relativeFolder, const std::vector<std::string>& files,
                     bool replaceExisting) {
    zipper.SetZipName(name);
    zipper.SetReplaceExisting(replaceExisting);
    zipper.SetRootDir(mobrel::DirectoryExists(relativeFolder) ? relativeFolder : std::string());
    // A run that failed part way may have left names behind; this run zips the list only.
    zipper.FilesList().clear();
    zipper.FilesList().insert(zipper.FilesList().end(), files.begin(), files.end());
    // RelativePaths switches Recurse on, so Recurse comes after it: the run never descends
    // into sub-folders.
    zipper.SetRelativePaths(true);
    zipper.SetStorePaths(true);
    zipper.SetRecurse(false);
    zipper.SetPackLevel(9);
}

}  // namespace

// --- The list of files to zip ---

void TForm1::a_AddAllExecute() {
    for (const std::string& name : FileListBox1->Names()) {
        ListBox1->Add(mobrel::JoinPath(FileListBox1->Directory(), name));
    }
}

void TForm1::a_AddSelectedExecute() {
    for (const std::string& name : FileListBox1->SelectedNames()) {
        ListBox1->Add(mobrel::JoinPath(FileListBox1->Directory(), name));
    }
}

void TForm1::a_DeleteSelectedExecute() {
    mobrel::TBusyCursorScope hourglass;
    for (int row = ListBox1->count() - 1; row >= 0; --row) {
        if (ListBox1->item(row)->isSelected()) {
            delete ListBox1->takeItem(row);
        }
    }
}

void TForm1::a_clearExecute() {
    ListBox1->clear();
}

void TForm1::ListBox1Click() {
    SetStatusPanels("Files to Zip: " + std::to_string(ListBox1->count()),
                    "Current File Name: " + Edit3->text().toStdString());
}

void TForm1::ToolButton20Click() {
    const std::string start = mobrel::IncludeTrailingSeparator(CurrentFolder());
    std::string chosen;
    if (ChooseOrCreateFolder(start, chosen)) {
        Edit6->setText(QString::fromStdString(mobrel::IncludeTrailingSeparator(chosen)));
        DirectoryListBox1->SetDirectory(chosen);
    } else if (!mobrel::DirectoryExists(Edit6->text().toStdString())) {
        Edit6->setText(QString::fromStdString(start));
    }
}

// --- Zipping ---

void TForm1::a_newExecute() {
    mobrel::TBusyCursorScope hourglass;
    SaveDialog1.DefaultExt = "zip";
    SaveDialog1.Title = "Create a New Zip File.";
    SaveDialog1.ProposeExtension(".zip");
    SaveDialog1.Filter = kZipFilter;
    SaveDialog1.InitialDir = ZipFolder();
    // The dialog has asked whether an existing file may be replaced: the new archive holds
    // the listed files alone, and takes the old one's place only once it is complete.
    if (SaveDialog1.Execute()) {
        Edit3->setText(QString::fromStdString(SaveDialog1.FileName));
        a_MakeZipExecute(SaveDialog1.FileName, true);
    }
}

void TForm1::a_zOpenExistingExecute() {
    mobrel::TBusyCursorScope hourglass;
    OpenDialog1.ProposeExtension(".zip");
    OpenDialog1.Title = "Add files to Existing Zip";
    OpenDialog1.DefaultExt = "zip";
    OpenDialog1.Filter = kZipFilter;
    OpenDialog1.InitialDir = ZipFolder();
    if (OpenDialog1.Execute()) {
        const std::string name = mobrel::ChangeFileExt(OpenDialog1.FileName, ".zip");
        Edit3->setText(QString::fromStdString(name));
        a_MakeZipExecute(name);
    }
}

void TForm1::a_AddToCurrentZipExecute() {
    mobrel::TBusyCursorScope hourglass;
    if (CurrentArchiveIsZip()) {
        a_MakeZipExecute(CurrentArchive());
        ProgressBar1->setValue(0);
    } else {
        a_zOpenExistingExecute();
    }
}

void TForm1::a_MakeZipExecute(const std::string& name, bool replaceExisting) {
    mobrel::TBusyCursorScope hourglass;
    mobrel::Services().ProcessMessages();
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    if (ListBox1->count() == 0) {
        ShowMessage("Please select some files to add.");
    } else {
        const int listed = ListBox1->count();
        ConfigureZipRun(Zipper1, name, Edit6->text().toStdString(), ListBox1->Items(),
                        replaceExisting);
        int zipped = 0;
        try {
            RunWritingOperation([this, &zipped] { zipped = Zipper1.Zip(); });
        } catch (...) {
            Zipper1.SetReplaceExisting(false);
            throw;
        }
        Zipper1.SetReplaceExisting(false);
        ShowMessage("Successfully zipped " + std::to_string(zipped) + " files of " +
                    std::to_string(listed) + ".");
        ProgressBar1->setValue(0);
    }
    SaveLastFilename(Zipper1.ZipName());
    ForgetCurrentArchiveIfGone();
    RereadFoldersAndFiles();
}

// --- Saved file lists ---

void TForm1::a_loadListExecute() {
    PrepareListDialog(OpenDialog1, "Open a list of files");
    OpenDialog1.InitialDir = ZipFolder();
    if (OpenDialog1.Execute()) {
        const std::vector<std::string> lines = LoadFileList(OpenDialog1.FileName);
        ListBox1->clear();
        for (const std::string& line : lines) {
            ListBox1->Add(line);
        }
    }
}

void TForm1::a_saveFileListExecute() {
    PrepareListDialog(SaveDialog1, "Save a list of files");
    SaveDialog1.InitialDir = ZipFolder();
    if (SaveDialog1.Execute()) {
        SaveFileList(SaveDialog1.FileName, ListBox1->Items());
    }
}

// --- File operations ---

void TForm1::ForgetCurrentArchiveIfGone() {
    const std::string current = CurrentArchive();
    if (!current.empty() && !mobrel::FileExists(current)) {
        UnzipPage->ForgetCurrentArchive();
        ListBox1->clear();
    }
}

void TForm1::ClearFilesToZip() {
    ListBox1->clear();
}

void TForm1::delFile(TFileListBox& fileList) {
    if (ConfirmAndRecycleFile(fileList.FileName())) {
        fileList.Update();
        ForgetCurrentArchiveIfGone();
    }
}

bool TForm1::deleteDir(const std::string& folder) {
    if (!ConfirmAndRecycleFolder(folder)) {
        return false;
    }
    moveUpDir(folder);
    return true;
}

void TForm1::moveUpDir(const std::string& folder) {
    const std::string parent = ParentFolderOf(folder);
    if (!parent.empty()) {
        DirectoryListBox1->SetDirectory(parent);
    }
}

void TForm1::createNewDir(TDirectoryListBox& folderTree) {
    const std::string answer = InputBox("Enter a new directory", "Enter a new directory",
                                        mobrel::IncludeTrailingSeparator(CurrentFolder()));
    if (answer.empty()) {
        return;
    }
    CreateSingleFolderOrFail(answer);
    folderTree.Update();
    folderTree.SetDirectory(answer);
}

void TForm1::UpdateFiles1Click() {
    RereadFoldersAndFiles();
}

void TForm1::FileOperations1Click() {
    FormFileOps->OnGetMainFolder = [this] {
        return ZipPageShown() ? ZipFolder() : UnzipPage->Folder();
    };
    FormFileOps->OnDirectoryCreated = [this](const std::string& path) {
        UnzipPage->DirectoryListBox2->Update();
        if (mobrel::DirectoryExists(UnzipPage->Folder())) {
            UnzipPage->ShowFolder(path);
        }
    };
    FormFileOps->OnCheckCurrentArchive = [this] { ForgetCurrentArchiveIfGone(); };
    FormFileOps->OnRereadMainViews = [this] { RereadFoldersAndFiles(); };
    ShowModalWindow(*FormFileOps);
}

void TForm1::DeleteDirectory1Click() {
    deleteDir(UnzipPage->Folder());
}

void TForm1::NewDirectory1Click() {
    createNewDir(ZipPageShown() ? *DirectoryListBox1 : *UnzipPage->DirectoryListBox2);
}
