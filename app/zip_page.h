#pragma once
// The "Zip" page: a folder tree with its drive box, the folder's files behind a filter, the
// list of files to zip with the folder their names are stored relative to, and the commands
// that write the list into a new archive, an existing one, the current one or a
// self-extracting program, or into a list file.
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "page_host.h"
#include "writer/zip_encryption.h"

class QAction;
class QLineEdit;
class QToolBar;
class QToolButton;
class TDirectoryListBox;
class TDriveComboBox;
class TFileListBox;
class TFilterComboBox;
class TFormEncrypt;
class TSortedListBox;

class TZipPage : public QWidget {
    Q_OBJECT

  public:
    explicit TZipPage(TPageHost& host, QWidget* parent = nullptr);

    // --- The folder and its files ---
    // The folder tree shows folder; the Unzip page follows.
    void ShowFolder(const std::string& folder);
    void ShowDrive(const std::string& drive);
    std::string Folder() const;
    // Chooses the filter of that caption for the folder's files; false when there is none.
    bool ChooseFilter(const std::string& caption);
    // The folder's files that the filter lets through, by name.
    std::vector<std::string> FolderFiles() const;
    // Selects exactly these of the folder's files; false when one of them isn't listed.
    bool SelectFiles(const std::vector<std::string>& names);
    // Makes one of the folder's files the focused one; false when it isn't listed.
    bool FocusFile(const std::string& name);

    // --- The list of files to zip, kept sorted ---
    // Every listed file of the folder, or the selected ones, with its full path.
    void AddAllFiles();
    void AddSelectedFiles();
    // A name, or a wildcard pattern, as it stands.
    void AddToList(const std::string& name);
    // Selects exactly these rows of the list.
    void SelectListRows(const std::vector<int>& rows);
    void DeleteSelectedFromList();
    void ClearList();
    std::vector<std::string> FilesToZip() const;
    // The lines of a list file the user chooses replace the list.
    void LoadList();
    // The list into a list file the user names.
    void SaveList();

    // --- The folder names are stored relative to ---
    void SetRelativeFolder(const std::string& folder);
    std::string RelativeFolder() const;
    // The folder the user chooses, created first when typed and agreed to.
    void ChooseRelativeFolder();

    // --- Writing archives ---
    // The list into an archive named in the save dialog: a new archive of the list alone,
    // in place of an existing file.
    void NewArchive();
    // The list added to an archive chosen in the open dialog.
    void AddToExistingArchive();
    // The list added to the current archive when it is a zip file, else as
    // AddToExistingArchive.
    void AddToCurrentArchive();
    // Zips the list into name; replaceExisting makes a new archive of it alone in place of
    // an existing file.
    void MakeZip(const std::string& name, bool replaceExisting = false);
    // The list into a self-extracting program named in the save dialog.
    void MakeExe();
    // "Encrypt with a password...": asks for the password (twice) and the cipher of the next
    // write; when one is already chosen, the choice is dropped instead.
    void ChooseEncryption();
    // A chosen password, kept for the next write only; empty when none is chosen.
    const std::string& NextWritePassword() const { return nextPassword_; }
    mobrel::TZipEncryption NextWriteEncryption() const { return nextEncryption_; }

    // --- For the window ---
    // The page came into view.
    void Shown();
    // The enabling rules, and the status panels of this page.
    void UpdateActions();
    // The folder tree and the file list read from disk again.
    void Reread();

    TDriveComboBox* DriveComboBox1;
    TDirectoryListBox* DirectoryListBox1;
    TFilterComboBox* FilterComboBox1;
    TFileListBox* FileListBox1;
    TSortedListBox* ListBox1;   // the list of files to zip
    QLineEdit* Edit6;           // relative folder
    QToolButton* ToolButton20;  // "Rel Dir..."
    QToolBar* ListToolBar;      // the list of files to zip
    QToolBar* ZipToolBar;       // writing archives

    QAction* a_AddAll;
    QAction* a_AddSelected;
    QAction* a_DeleteSelected;
    QAction* a_clear;
    QAction* a_new;
    QAction* a_AddToCurrentZip;
    QAction* a_zOpenExisting;
    QAction* a_zMakeEXE;
    QAction* a_encrypt;  // checked while a password waits for the next write
    QAction* a_loadList;
    QAction* a_saveFileList;

  private:
    // Construction (zip_page_layout.cpp).
    void BuildControls();
    void CreateActions();
    QAction* MakeAction(const char* name, const char* caption, const char* hint,
                        void (TZipPage::*handler)());
    void ConnectControls();

    // Enabling rules.
    void a_AddSelectedUpdate();
    void a_DeleteSelectedUpdate();
    void a_newUpdate();
    void a_zOpenExistingUpdate();
    void a_AddToCurrentZipUpdate();
    void a_saveFileListUpdate();
    void ShowStatus();

    void ListBox1KeyUp(int key);
    void FolderChanged();
    void DriveChanged();
    // RunEngineOperation for writing: it encrypts with the password chosen for the next
    // write alone (which it uses up), never with one given to read an archive.
    // ReplaceExisting holds for this one run.
    void RunWritingOperation(const std::function<void()>& operation);
    void ForgetNextWritePassword();

    TPageHost& host_;
    mobrel::TZipper& engine_;
    TFormEncrypt* formEncrypt_ = nullptr;
    std::string nextPassword_;
    mobrel::TZipEncryption nextEncryption_ = mobrel::TZipEncryption::Aes256;
};
