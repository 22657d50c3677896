#pragma once
// The main window: two pages, "Zip" (collect files and write archives) and "Unzip" (list,
// extract from, delete from and repair the current archive), above them the current-archive
// box and the progress bar, around them the menus, popup menus and the status bar. It owns
// the archive engine for the whole run and drives it one operation at a time on this
// thread; the pages reach it as their host. It also keeps the pages' two folder trees
// showing one folder, and offers the file operations on both pages' folders and files.
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
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QTabWidget;
class TDirectoryListBox;
class TFileListBox;
class TFormAbout;
class TFormFileOps;
class TFormPassword;
class ThelpContents;
class TUnzipPage;
class TZipPage;

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

    // --- Controls ---
    QLineEdit* Edit3;  // current archive
    QProgressBar* ProgressBar1;
    QTabWidget* PageControl1;
    TZipPage* ZipPage;
    TUnzipPage* UnzipPage;
    QLabel* StatusPanel0;
    QLabel* StatusPanel1;
    TFileDialog OpenDialog1{true};
    TFileDialog SaveDialog1{false};

    // --- Actions of the window itself; each page has its own ---
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

    // --- Start-up, pages and menus (form1_startup.cpp) ---
    void FormCreate();
    void FormShow();
    void FormActivate();
    void PageControl1Change();
    void a_updateEditPopExecute();
    void OpenDialog1Show();
    void OpenDialog1Close();
    // The first file dropped from the desktop.
    void DropFile(const std::string& fileName);
    // The shown page is the Zip page.
    bool ZipPageShown() const;
    // Switches to a page, as a click on its tab does.
    void ShowZipPage();
    void ShowUnzipPage();
    // The menu bar now shown: MainMenu1 or MainMenu2.
    const std::vector<QMenu*>& ShownMainMenu() const { return *shownMainMenu_; }
    void UseMainMenu(const std::vector<QMenu*>& menu);
    // The enabling rules of the shown page, evaluated when the application is idle and
    // before a menu opens.
    void UpdateActions();

    // --- File operations (form1_file_operations.cpp) ---
    void FileListBoxKeyUp(TFileListBox& list, int key);
    void DirectoryListBoxKeyUp(TDirectoryListBox& tree, int key);
    void delFile(TFileListBox& fileList);
    bool deleteDir(const std::string& folder);
    void moveUpDir(const std::string& folder);
    void createNewDir(TDirectoryListBox& folderTree);
    void UpdateFiles1Click();
    void FileOperations1Click();
    void DeleteDirectory1Click();
    void NewDirectory1Click();

    // --- Help (help_actions.cpp) ---
    void a_infoExecute();
    void a_aboutExecute();
    void a_TutExecute();
    // The tutorial page beside the program.
    static std::string TutorialPath();

    // --- The engine's progress ---
    void Zipper1FilePercentDone(int percent);
    void Zipper1TotalPercentDone(int percent);

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
    void BuildWindow();
    void CreateActions();
    void BuildMenus();
    void BuildPopupMenus();
    void AttachPopupMenus();
    void ConnectControls();
    void CreateSideWindows();
    QAction* MakeAction(const char* name, const char* caption, const char* hint,
                        void (TForm1::*handler)());
    // The archive named on the command line or dropped from the desktop, listed on the Unzip
    // page with both folder trees in its folder.
    void OpenOnTheUnzipPage(const std::string& archive);
    void TurnToUnzipPageQuietly();
    void EnterOperation();
    void LeaveOperation();
    void SetControlsEnabled(bool enabled);

    QStringList arguments_;
    const std::vector<QMenu*>* shownMainMenu_ = nullptr;
    int operationDepth_ = 0;
    bool shownOnce_ = false;
};
