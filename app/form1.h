#pragma once
// The main window: two pages, "Zip" (collect files and write archives) and "Unzip" (list,
// extract from, delete from and repair the current archive), sharing menus, the status bar,
// the current-archive box and a pair of folder pickers. It owns the archive engine for the
// whole run and drives it one operation at a time on this thread.
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "file_dialog.h"
#include "writer/sfx_config.h"
#include "writer/zipper.h"

class QAction;
class QHeaderView;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QTabWidget;
class QToolBar;
class QToolButton;
class TDirectoryListBox;
class TDriveComboBox;
class TEntryListModel;
class TEntryListView;
class TFileListBox;
class TFilterComboBox;
class TFormAbout;
class TFormFileOps;
class TFormPassword;
class ThelpContents;
class TSortedListBox;

class TForm1 : public QMainWindow {
    Q_OBJECT

  public:
    // arguments: the command line without the program's name.
    explicit TForm1(const QStringList& arguments = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // --- The engine and the self-extractor's settings ---
    mobrel::TZipper Zipper1;
    mobrel::TSFXConfig SFXConfig1;

    // --- Side windows, created at start after the main window, in this order ---
    TFormAbout* FormAbout = nullptr;
    TFormFileOps* FormFileOps = nullptr;
    ThelpContents* helpContents = nullptr;
    TFormPassword* FormPassword = nullptr;
    // Shows a side window modally; tests put a scripted stand-in here.
    std::function<int(QDialog&)> ShowModal;

    // --- Shared controls ---
    QLineEdit* Edit3;  // current archive
    QProgressBar* ProgressBar1;
    QTabWidget* PageControl1;
    QWidget* TabSheet1;  // "Zip"
    QWidget* TabSheet2;  // "Unzip"
    QLabel* StatusPanel0;
    QLabel* StatusPanel1;
    TFileDialog OpenDialog1{true};
    TFileDialog SaveDialog1{false};

    // --- Zip page ---
    TDriveComboBox* DriveComboBox1;
    TDirectoryListBox* DirectoryListBox1;
    TFilterComboBox* FilterComboBox1;
    TFileListBox* FileListBox1;
    TSortedListBox* ListBox1;   // the list of files to zip
    QLineEdit* Edit6;           // relative folder
    QToolButton* ToolButton20;  // "Rel Dir..."
    QToolBar* ListToolBar;      // the list of files to zip
    QToolBar* ZipToolBar;       // writing archives

    // --- Unzip page ---
    QLineEdit* Edit4;  // destination
    TDriveComboBox* DriveComboBox2;
    TDirectoryListBox* DirectoryListBox2;
    TFileListBox* FileListBox2;
    QLineEdit* Edit1;  // unzipped total
    QLineEdit* Edit5;  // zipped total
    TEntryListModel* EntryList;
    TEntryListView* ListBox2;
    QHeaderView* Header1;
    QToolBar* UnzipToolBar;

    // --- Actions ---
    QAction* a_AddAll;
    QAction* a_AddSelected;
    QAction* a_DeleteSelected;
    QAction* a_clear;
    QAction* a_new;
    QAction* a_AddToCurrentZip;
    QAction* a_zOpenExisting;
    QAction* a_zMakeEXE;
    QAction* a_loadList;
    QAction* a_saveFileList;
    QAction* a_openUnzip;
    QAction* a_uOpenCurrent;
    QAction* a_uFix;
    QAction* a_unzipSel;
    QAction* a_unZipAll;
    QAction* a_delete;
    QAction* a_saveUnzipFileList;
    QAction* a_info;
    QAction* a_about;
    QAction* a_Tut;
    QAction* a_updateEditPop;
    QAction* Exit1;  // "E&xit" of the Zip page's menu
    QAction* Exit2;  // "E&xit" of the Unzip page's menu

    // --- Menus ---
    std::vector<QMenu*> MainMenu1;  // Zip page's menu bar
    std::vector<QMenu*> MainMenu2;  // Unzip page's menu bar
    QMenu* PopupMenu1;              // folder trees and the Unzip page's file list
    QMenu* PopupMenu2;              // Zip page's file list
    QMenu* PopupMenu3;              // list of files to zip
    QMenu* PopupMenu4;              // entry list
    QMenu* PopupMenu5;              // current-archive box
    QAction* FileOperations1;
    QAction* UpdateFiles1;
    QAction* DeleteDirectory1;
    QAction* NewDirectory1;

    // --- State ---
    // Temporary copies of entries already extracted for viewing in this run.
    std::vector<std::string> ViewedFiles;

    // --- Start-up and the window (form1_startup.cpp) ---
    void FormCreate();
    void FormShow();
    void FormActivate();
    void PageControl1Change();
    void a_updateEditPopExecute();
    void OpenDialog1Show();
    void OpenDialog1Close();
    // The first file dropped from the desktop.
    void DropFile(const std::string& fileName);
    void DriveComboBox1Change();
    void DriveComboBox2Change();
    void DirectoryListBox1Change();
    void DirectoryListBox2Change();
    // Both folder trees and both file lists read from disk again.
    void RereadFoldersAndFiles();
    // The shown page is the Zip page.
    bool ZipPageShown() const;
    // The menu bar now shown: MainMenu1 or MainMenu2.
    const std::vector<QMenu*>& ShownMainMenu() const { return *shownMainMenu_; }
    void UseMainMenu(const std::vector<QMenu*>& menu);
    // The current-archive box names an existing file with the extension ".zip".
    bool CurrentArchiveIsZip() const;
    // Empties the current-archive box, both totals and the entry list.
    void ForgetCurrentArchive();
    void SetStatusPanels(const std::string& panel0, const std::string& panel1);

    // --- Enabling rules (form1_enabling.cpp) ---
    void UpdateActions();
    void a_AddSelectedUpdate();
    void a_DeleteSelectedUpdate();
    void a_newUpdate();
    void a_zOpenExistingUpdate();
    void a_AddToCurrentZipUpdate();
    void a_saveFileListUpdate();
    void a_uOpenCurrentUpdate();
    void a_unzipSelUpdate();
    void a_saveUnzipFileListUpdate();

    // --- Keys and pointer gestures (form1_gestures.cpp) ---
    void ListBox1KeyUp(int key);
    void ListBox2KeyUp(int key);
    void FileListBoxKeyUp(TFileListBox& list, int key);
    void DirectoryListBoxKeyUp(TDirectoryListBox& tree, int key);
    void FileListBox1DblClick();
    void ListBox1DragDrop();

    // --- Unzip page (unzip_page_actions.cpp) ---
    void a_openUnzipExecute();
    void a_uOpenCurrentExecute();
    void openTheZip(const std::string& name);
    void a_unzipSelExecute();
    void a_unZipAllExecute();
    void a_deleteExecute();
    void ListBox2DblClick();
    void FileListBox2DblClick();
    void a_uFixExecute();
    void Zipper1InCompleteZip(mobrel::TIncompleteZipMode& mode);
    void Zipper1BadPassword(int fileIndex, std::string& newPassword);
    void Zipper1FilePercentDone(int percent);
    void Zipper1TotalPercentDone(int percent);
    // The unpacked total of the listed archive.
    int64_t UnzippedTotal() const { return unzippedTotal_; }
    // The engine entry shown in a row of the entry list (-1 for -1).
    int EntryOfRow(int row) const;
    // Sorts the entry list by a column, as a click on its header does.
    void SortByColumn(int column);
    // The destination box and the Unzip page's folder tree name one folder: a folder typed
    // into the box becomes the tree's, created first when the user agrees. False, with the
    // box showing the tree's folder again, when it can't be used.
    bool ApplyDestinationBox();
    // The private folder of this run that viewed copies go into, with a trailing '/'.
    std::string ViewFolder();

    // --- Help (help_actions.cpp) ---
    void a_infoExecute();
    void a_aboutExecute();
    void a_TutExecute();
    // The tutorial page beside the program.
    static std::string TutorialPath();

    // --- Zip page, saved lists, file operations (zip_page_actions.cpp) ---
    void a_AddAllExecute();
    void a_AddSelectedExecute();
    void a_DeleteSelectedExecute();
    void a_clearExecute();
    void ListBox1Click();
    void ToolButton20Click();
    void a_newExecute();
    void a_zOpenExistingExecute();
    void a_AddToCurrentZipExecute();
    // Zips the list of files to zip into name; replaceExisting makes a new archive of them
    // alone in place of an existing file.
    void a_MakeZipExecute(const std::string& name, bool replaceExisting = false);
    void a_loadListExecute();
    void a_saveFileListExecute();
    void a_saveUnzipFileListExecute();
    void delFile(TFileListBox& fileList);
    bool deleteDir(const std::string& folder);
    void moveUpDir(const std::string& folder);
    void createNewDir(TDirectoryListBox& folderTree);
    void UpdateFiles1Click();
    void FileOperations1Click();
    void DeleteDirectory1Click();
    void NewDirectory1Click();

    // --- Self-extractor (make_exe_action.cpp) ---
    void a_zMakeEXEExecute();

    // Runs one engine operation with the progress bar following it and Escape asking the
    // engine to stop; the bar returns to 0 afterwards, also when the operation fails.
    void RunEngineOperation(const std::function<void()>& operation);
    // RunEngineOperation for the Zip page's writing: it offers no password, so what it
    // writes is never encrypted, whatever password was given to read an archive.
    void RunWritingOperation(const std::function<void()>& operation);
    // True while an engine operation runs.
    bool OperationRunning() const { return operationDepth_ > 0; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Construction (form1.cpp, form1_layout.cpp, form1_actions.cpp).
    void ConfigureEngine();
    void ConfigureSelfExtractor();
    void BuildZipPage();
    void BuildUnzipPage();
    void BuildWindow();
    void CreateActions();
    void BuildMenus();
    void BuildToolBars();
    void BuildPopupMenus();
    void ConnectControls();
    void CreateSideWindows();
    QAction* MakeAction(const char* name, const char* caption, const char* hint,
                        void (TForm1::*handler)());
    // Runs a handler as every action runs: hourglass pointer, standard handler.
    void RunAction(void (TForm1::*handler)());
    int ShowModalWindow(QDialog& window);

    void FillEntryList();
    void ExtractToUnzipFolder(bool doAll);
    int ExtractForViewing(int row, const std::string& temp, bool replaceOwnCopy);
    void ClearEntryMarks();
    void ForgetPasswordOfOtherArchives(const std::string& archive);
    void BeginReadingRun();
    void RemoveViewFolder();
    std::string UnzipFolder() const;
    std::string ZipFolder() const;

    QStringList arguments_;
    const std::vector<QMenu*>* shownMainMenu_ = nullptr;
    int64_t unzippedTotal_ = 0;
    int operationDepth_ = 0;
    bool shownOnce_ = false;
    // For each of ViewedFiles, the archive and entry whose copy it holds.
    std::map<std::string, std::string> viewedSources_;
    std::string viewFolder_;  // created on the first view, removed with the window
    // The archive whose password the engine holds, if the user gave one.
    std::string passwordArchive_;
    // The entry the user last gave a password for in this run, and that password.
    int askedEntry_ = -1;
    std::string givenPassword_;
    int sortColumn_ = -1;  // none clicked yet: the engine's order
    bool applyingDestination_ = false;
};
