// The main window's file operations, on both pages' folders and files: recycling a file or
// a folder, creating a folder, reading them from disk again and the File Operations window.
// The folder trees' popup menu offers them, and so do keys on the trees and file lists.
#include "directory_list_box.h"
#include "file_list_box.h"
#include "file_operations.h"
#include "form1.h"
#include "form_file_ops.h"
#include "input_box.h"
#include "platform/file_helpers.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "unzip_page.h"
#include "zip_page.h"

void TForm1::ForgetCurrentArchiveIfGone() {
    const std::string current = CurrentArchive();
    if (!current.empty() && !mobrel::FileExists(current)) {
        UnzipPage->ForgetCurrentArchive();
        ZipPage->ClearList();
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
        ZipPage->ShowFolder(parent);
    }
}

void TForm1::createNewDir(TDirectoryListBox& folderTree) {
    const std::string answer = InputBox("Enter a new directory", "Enter a new directory",
                                        mobrel::IncludeTrailingSeparator(mobrel::CurrentFolder()));
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
        return ZipPageShown() ? ZipPage->Folder() : UnzipPage->Folder();
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
    createNewDir(ZipPageShown() ? *ZipPage->DirectoryListBox1 : *UnzipPage->DirectoryListBox2);
}
