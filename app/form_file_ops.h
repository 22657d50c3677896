#pragma once
// The File Operations window: sends files to the desktop trash and creates folders, with a
// drive picker, folder tree and file list of its own. The main window shows it modally and
// answers its events; the window itself knows nothing of the main window.
#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <functional>
#include <string>

#include "directory_list_box.h"
#include "drive_combo_box.h"
#include "file_list_box.h"

class TFormFileOps : public QDialog {
    Q_OBJECT

  public:
    explicit TFormFileOps(QWidget* parent = nullptr);

    // The main window's folder, which this window starts from each time it is shown.
    std::function<std::string()> OnGetMainFolder;
    // A folder was created at path; the main window shows it when it can.
    std::function<void(const std::string& path)> OnDirectoryCreated;
    // On closing: the main window forgets its current archive when the file is gone.
    std::function<void()> OnCheckCurrentArchive;
    // On closing, while this window's folder still exists: the main window re-reads its views.
    std::function<void()> OnRereadMainViews;

    void FormActivate();
    void FormClose();
    void FileListBox1Click();
    void a_DelFileExecute();
    void a_DelFileUpdate();
    void a_CreateDirExecute();
    void a_CreateDirUpdate();
    // Shows the parent of folder in folderTree: the folder up to and including the last
    // separator before its final character; nothing when there is none.
    static void moveUpDir(TDirectoryListBox& folderTree, const std::string& folder);

    // The window's folder.
    std::string Folder() const { return DirectoryListBox1->Directory(); }

    TDriveComboBox* DriveComboBox1;
    TDirectoryListBox* DirectoryListBox1;
    TFileListBox* FileListBox1;
    QLineEdit* Edit2;  // "File to Delete:"
    QLineEdit* Edit1;  // "New Directory Name:"
    QPushButton* DeleteButton;
    QPushButton* CreateDirButton;
    QStatusBar* StatusBar1;
    QAction* a_DelFile;
    QAction* a_CreateDir;
    QAction* a_Exit;

    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls();
    void BuildMenu();
    void ConnectControls();
    void UpdateActions();
    void ReturnToMainFolder();
};
