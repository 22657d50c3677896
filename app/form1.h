#pragma once
// The main window: two pages, "Zip" (collect files and write archives) and "Unzip" (list,
// extract from, delete from and repair the current archive), sharing menus, the status bar,
// the current-archive box and a pair of folder pickers. It owns the archive engine for the
// whole run and drives it one operation at a time on this thread; the Unzip page reaches it
// as its host.
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "file_dialog.h"
#include "page_host.h"
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
class TFileListBox;
class TFilterComboBox;
class TFormAbout;
class TFormFileOps;
class TFormPassword;
class ThelpContents;
class TSortedListBox;
class TUnzipPage;

class TForm1 : public QMainWindow, public TPageHost {
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
    TUnzipPage* UnzipPage;
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
    void DirectoryListBox1Change();
    // The shown page is the Zip page.
    bool ZipPageShown() const;
    // The menu bar now shown: MainMenu1 or MainMenu2.
    const std::vector<QMenu*>& ShownMainMenu() const { return *shownMainMenu_; }
    void UseMainMenu(const std::vector<QMenu*>& menu);
    // Switches to a page, as a click on its tab does.
    void ShowZipPage();
    void ShowUnzipPage();

    // --- Enabling rules (form1_enabling.cpp) ---
    void UpdateActions();
    void a_AddSelectedUpdate();
    void a_DeleteSelectedUpdate();
    void a_newUpdate();
    void a_zOpenExistingUpdate();
    void a_AddToCurrentZipUpdate();
    void a_saveFileListUpdate();

    // --- Keys and pointer gestures (form1_gestures.cpp) ---
    void ListBox1KeyUp(int key);
    void FileListBoxKeyUp(TFileListBox& list, int key);
    void DirectoryListBoxKeyUp(TDirectoryListBox& tree, int key);
    void FileListBox1DblClick();
    void ListBox1DragDrop();

    void Zipper1FilePercentDone(int percent);
    void Zipper1TotalPercentDone(int percent);

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

    // RunEngineOperation for the Zip page's writing: it offers no password, so what it
    // writes is never encrypted, whatever password was given to read an archive.
    void RunWritingOperation(const std::function<void()>& operation);

    // --- The pages' host ---
    mobrel::TZipper& Engine() override { return Zipper1; }
    mobrel::TSFXConfig& SelfExtractorSettings() override { return SFXConfig1; }
    void RunAction(const std::function<void()>& handler) override;
    void RunEngineOperation(const std::function<void()>& operation) override;
    bool OperationRunning() const override { return operationDepth_ > 0; }
    void ResetProgress() override;
    std::string CurrentArchive() const override;
    void SetCurrentArchive(const std::string& name) override;
    bool CurrentArchiveIsZip() const override;
    void ForgetCurrentArchiveIfGone() override;
    void ClearFilesToZip() override;
    TFileDialog& OpenDialog() override { return OpenDialog1; }
    TFileDialog& SaveDialog() override { return SaveDialog1; }
    TFormPassword& PasswordWindow() override { return *FormPassword; }
    int ShowModalWindow(QDialog& window) override;
    void SetStatusPanels(const std::string& panel0, const std::string& panel1) override;
    void FolderShown(const std::string& folder) override;
    void DriveChosen(const std::string& drive) override;
    void RereadFoldersAndFiles() override;

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
    void BuildWindow();
    void CreateActions();
    void BuildMenus();
    void BuildToolBars();
    void BuildPopupMenus();
    void ConnectControls();
    void CreateSideWindows();
    QAction* MakeAction(const char* name, const char* caption, const char* hint,
                        void (TForm1::*handler)());
    void RunAction(void (TForm1::*handler)());
    std::string ZipFolder() const;

    QStringList arguments_;
    const std::vector<QMenu*>* shownMainMenu_ = nullptr;
    int operationDepth_ = 0;
    bool shownOnce_ = false;
};
