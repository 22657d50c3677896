#pragma once
// The "Unzip" page: the current archive's entries with their totals, the folder they are
// extracted to (a box, a drive box, a folder tree and its files), and the commands that
// open, extract from, delete from, view, sort and repair the archive. It answers the
// engine's questions about passwords and incomplete archives, keeps the copies of viewed
// entries in a folder of its own, and extracts entries dragged out of the list into another.
#include <QWidget>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "page_host.h"
#include "platform/names_code_page.h"
#include "reader/entry_failure_log.h"

class QAction;
class QHeaderView;
class QLineEdit;
class QMimeData;
class QToolBar;
class TDirectoryListBox;
class TDriveComboBox;
class TEntryListModel;
class TEntryListView;
class TFileListBox;
class TNamesEncodingComboBox;

class TUnzipPage : public QWidget {
    Q_OBJECT

  public:
    explicit TUnzipPage(TPageHost& host, QWidget* parent = nullptr);

    // --- Opening ---
    // Lists the archive name and makes it the current one. A name that is no existing zip
    // file is refused with a message, and the current archive forgotten; an archive that
    // can't be read stays the current one, for a repair.
    void OpenArchive(const std::string& name);
    // The archive the user chooses in the open dialog.
    void ChooseArchive();
    void OpenCurrentArchive();
    // Empties the current archive, both totals and the entry list.
    void ForgetCurrentArchive();

    // --- The entry list ---
    // Selects exactly these rows.
    void SelectRows(const std::vector<int>& rows);
    // Makes row the focused one and scrolls it into sight.
    void FocusRow(int row);
    int FocusedRow() const;
    // Sorts by a column in the engine's order for it, as a click on its header does; a
    // second time on the same column reverses that.
    void SortByColumn(int column);
    // The engine entry shown in a row (-1 for -1).
    int EntryOfRow(int row) const;
    // The unpacked total of the listed archive.
    int64_t UnzippedTotal() const { return unzippedTotal_; }
    // The rows' texts, into a list file the user names.
    void SaveNameList();
    // The code page of names without the UTF-8 flag from MS-DOS hosts: the engine reads the
    // open archive's names again in it, and the list shows them.
    void ChooseNamesEncoding(mobrel::TNamesCodePage page);

    // --- Extracting, deleting, repairing ---
    // Every entry, or those of the selected rows, into the destination folder.
    void ExtractAll();
    void ExtractSelected();
    // The selected rows' entries, once the user agrees.
    void DeleteSelected();
    // The sound entries of the current archive into a file the user names, which then
    // becomes the current archive.
    void Fix();
    // Decodes every entry without writing anything, and says how many passed.
    void TestArchive();
    // The entries the last extraction, test or repair left out, and why.
    const std::vector<mobrel::TEntryFailure>& Failures() const { return failures_.Failures(); }

    // --- Viewing ---
    // Opens a copy of the focused row's entry with the desktop's program for it, as a
    // double-click or Enter does.
    void ViewFocusedRow();
    void ViewRow(int row);
    // Copies of entries already extracted for viewing in this run.
    const std::vector<std::string>& ViewedFiles() const { return viewedFiles_; }
    // The private folder of this run that viewed copies go into, with a trailing '/'.
    std::string ViewFolder();
    void RemoveViewFolder();

    // --- Dragging out ---
    // Extracts the selected rows' entries (a folder with what is below it), with their
    // stored folders, into a new folder of this drag (the last drag's goes first), and names
    // what that folder then holds as file URLs. Nothing, and no folder, when the extraction failed,
    // was cancelled or left one of the entries out.
    std::unique_ptr<QMimeData> ExtractForDrag();
    // What the list does when the user drags its selected rows: the files extracted for
    // them go wherever they are dropped, as a copy.
    void DragSelectedOut();
    // The folder of the last drag, without a trailing '/'; empty when there is none.
    const std::string& DragFolder() const { return dragFolder_; }
    void RemoveDragFolder();

    // --- The destination folder ---
    // The folder tree shows folder; the Zip page follows.
    void ShowFolder(const std::string& folder);
    void ShowDrive(const std::string& drive);
    std::string Folder() const;
    // Typed into the destination box and confirmed, as Enter does: the folder becomes the
    // tree's, created first when the user agrees. False, with the box showing the tree's
    // folder again, when it can't be used.
    bool SetDestination(const std::string& folder);
    // Typed into the box, not yet confirmed: the next extraction applies it.
    void TypeDestination(const std::string& text);
    // The box shows the tree's folder, whatever was typed into it.
    void ResetDestinationBox();
    // Opens the file focused in the folder's file list: an archive is listed, any other
    // file opened with the desktop's program for it.
    void OpenFocusedFile();

    // --- For the window ---
    // The page came into view: the current archive is read again, or forgotten when it is
    // no zip file.
    void Shown();
    // The enabling rules, and the status panels of this page.
    void UpdateActions();
    // The folder tree and the file list read from disk again.
    void Reread();
    // Empties the entry list, whose cells are read from the engine: before the engine goes.
    void DetachFromEngine();

    QLineEdit* Edit4;  // destination
    TDriveComboBox* DriveComboBox2;
    TDirectoryListBox* DirectoryListBox2;
    TFileListBox* FileListBox2;
    QLineEdit* Edit1;  // unzipped total
    QLineEdit* Edit5;  // zipped total
    TNamesEncodingComboBox* NamesEncoding;
    TEntryListModel* EntryList;
    TEntryListView* ListBox2;
    QHeaderView* Header1;
    QToolBar* UnzipToolBar;

    QAction* a_openUnzip;
    QAction* a_uOpenCurrent;
    QAction* a_uFix;
    QAction* a_unzipSel;
    QAction* a_unZipAll;
    QAction* a_uTest;
    QAction* a_delete;
    QAction* a_saveUnzipFileList;

  private:
    // Construction (unzip_page_layout.cpp).
    void BuildControls();
    void CreateActions();
    QAction* MakeAction(const char* name, const char* caption, const char* hint,
                        void (TUnzipPage::*handler)());
    void ConnectControls();
    void ConnectEngine();

    // Enabling rules.
    void a_uOpenCurrentUpdate();
    void a_unzipSelUpdate();
    void a_saveUnzipFileListUpdate();

    void ListBox2KeyUp(int key);
    void FolderChanged();
    void DriveChanged();
    bool ApplyDestinationBox();

    void FillEntryList();
    void ExtractToUnzipFolder(bool doAll);
    int ExtractForViewing(int entry, const std::string& temp, bool replaceOwnCopy);
    // The selected rows' entries into folder; the number extracted, and how many were asked.
    int ExtractSelectedInto(const std::string& folder, int& asked);
    // Marks the selected rows' entries, and those below a selected folder; how many.
    int ChooseDraggedEntries();
    void ClearEntryMarks();
    void ForgetPasswordOfOtherArchives(const std::string& archive);
    // Before a run reads entries of archive: its password kept only for it, no failures yet.
    void BeginReadingRun(const std::string& archive);
    // The closing message of a run: allWell when no entry failed; otherwise done, how many
    // failed and why, with their details a button away.
    void ReportRun(const std::string& allWell, const std::string& done);
    void NoteUserSkips(mobrel::TEntryFailure& failure);

    // The engine's questions (unzip_page_questions.cpp).
    void WarnIncompleteArchive();
    void AskForPassword(int fileIndex, std::string& newPassword);

    TPageHost& host_;
    mobrel::TZipper& engine_;
    int64_t unzippedTotal_ = 0;
    int sortColumn_ = -1;  // none clicked yet: the engine's order
    bool applyingDestination_ = false;
    std::vector<std::string> viewedFiles_;
    // For each of viewedFiles_, the archive and entry whose copy it holds.
    std::map<std::string, std::string> viewedSources_;
    std::string viewFolder_;  // created on the first view, removed with the window
    std::string dragFolder_;  // the last drag's files: removed on the next drag or with the window
    // The archive whose password the engine holds, if the user gave one.
    std::string passwordArchive_;
    // The entry the user last gave a password for in this run, and that password.
    int askedEntry_ = -1;
    std::string givenPassword_;
    // The user closed the password window without a password: the skip that follows is
    // the user's.
    bool passwordDeclined_ = false;
    mobrel::TEntryFailureLog failures_;
};
