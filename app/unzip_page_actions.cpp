// The Unzip page: opening and listing the current archive, extracting, deleting, viewing
// an entry, and the engine's questions about passwords and incomplete archives.
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <algorithm>
#include <filesystem>

#include "directory_list_box.h"
#include "entry_list_model.h"
#include "entry_list_view.h"
#include "extract/file_helpers.h"
#include "extract/output_path.h"
#include "file_list_box.h"
#include "form1.h"
#include "form_password.h"
#include "last_filename.h"
#include "number_format.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "platform/temp_files.h"
#include "shell_open.h"
#include "silent_abort.h"
#include "sorted_list_box.h"
#include "zip_extension.h"

namespace {

void ShowMessage(const std::string& text) {
    mobrel::Services().MessageBox(text, "", mobrel::TMsgButtons::Ok);
}

}  // namespace

void TForm1::openTheZip(const std::string& name) {
    unzippedTotal_ = 0;
    EntryList->Clear();
    Edit1->clear();
    Edit5->clear();
    if (!mobrel::FileExists(name) || !HasZipExtension(name)) {
        ShowMessage("Please open a file to zip");
        ForgetCurrentArchive();
        return;
    }
    Zipper1.OnBadPassword = [this](mobrel::TUnZipper&, int fileIndex, std::string& newPassword) {
        Zipper1BadPassword(fileIndex, newPassword);
    };
    ForgetPasswordOfOtherArchives(name);
    Zipper1.SetZipName(name);
    try {
        RunEngineOperation([this] { Zipper1.ReadZip(); });
    } catch (...) {
        // The archive that could not be read stays the current one: "Fix Zip File" repairs
        // it rather than the one opened before, and other actions report why it cannot be
        // read instead of looking for an archive with no name.
        Zipper1.SetZipName(name);
        Edit3->setText(QString::fromStdString(name));
        throw;
    }
    FillEntryList();
    Edit5->setText(QString::fromStdString(FormatThousandsLocal(Zipper1.ZipSize())));
    Edit1->setText(QString::fromStdString(FormatThousandsLocal(unzippedTotal_)));
    SaveLastFilename(Zipper1.ZipName());
    Edit3->setText(QString::fromStdString(Zipper1.ZipName()));
}

// Summed in 64 bits: an archive of more than 2 GiB unpacked shows its true total.
void TForm1::FillEntryList() {
    const int count = Zipper1.Count();
    std::vector<std::string> rows;
    rows.reserve(count);
    int64_t total = 0;
    for (int i = 0; i < count; ++i) {
        rows.push_back(TEntryListModel::RowTextOf(Zipper1, i));
        total += Zipper1.EntryUncompressedSize(i);
    }
    EntryList->SetRows(std::move(rows));
    unzippedTotal_ = total;
}

int TForm1::EntryOfRow(int row) const {
    return row < 0 ? row : EntryList->EntryOfRow(row);
}

namespace {

// The engine's order for each column of the entry list: names ascending, sizes and dates
// largest and newest first.
struct TColumnOrder {
    mobrel::TZipSortMode Mode;
    Qt::SortOrder Order;
};

constexpr TColumnOrder kColumnOrders[TEntryListModel::ColumnCount] = {
    {mobrel::ByDirectoryName, Qt::AscendingOrder},
    {mobrel::ByFileName, Qt::AscendingOrder},
    {mobrel::ByUnCompressedSize, Qt::DescendingOrder},
    {mobrel::ByCompressedSize, Qt::DescendingOrder},
    {mobrel::ByDate, Qt::DescendingOrder}};

Qt::SortOrder Reversed(Qt::SortOrder order) {
    return order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
}

}  // namespace

// A click on a column's header sorts by it in the engine's order for it; a second click on
// the same column reverses that.
void TForm1::SortByColumn(int column) {
    if (column < 0 || column >= TEntryListModel::ColumnCount) {
        return;
    }
    const bool reversed = column == sortColumn_ && !EntryList->Descending();
    const TColumnOrder& order = kColumnOrders[column];
    Zipper1.Sort(order.Mode);
    sortColumn_ = column;
    EntryList->SetDescending(reversed);
    FillEntryList();
    Header1->setSortIndicator(column, reversed ? Reversed(order.Order) : order.Order);
    Header1->setSortIndicatorShown(true);
}

void TForm1::a_openUnzipExecute() {
    OpenDialog1.Title = "Open an existing zip file.";
    OpenDialog1.ProposeExtension(".zip");
    OpenDialog1.DefaultExt = "zip";
    OpenDialog1.Filter = "Zip Files|*.zip";
    if (OpenDialog1.Execute()) {
        openTheZip(OpenDialog1.FileName);
    }
    if (!mobrel::FileExists(Edit3->text().toStdString())) {
        Edit3->clear();
        EntryList->Clear();
    }
    ListBox1->clear();
    RereadFoldersAndFiles();
}

void TForm1::a_uOpenCurrentExecute() {
    openTheZip(Edit3->text().toStdString());
}

// A password the user gave serves the archive it was given for, and no other.
void TForm1::ForgetPasswordOfOtherArchives(const std::string& archive) {
    if (archive != passwordArchive_) {
        Zipper1.SetPassword("");
        passwordArchive_.clear();
    }
}

void TForm1::BeginReadingRun() {
    ForgetPasswordOfOtherArchives(Zipper1.ZipName());
    askedEntry_ = -1;
}

void TForm1::ExtractToUnzipFolder(bool doAll) {
    if (!ApplyDestinationBox()) {
        return;
    }
    BeginReadingRun();
    Zipper1.SetDoAll(doAll);
    Zipper1.SetDestDir(UnzipFolder());
    Zipper1.SetRecreateDirs(true);
    Zipper1.SetRetainAttributes(true);
    int count = 0;
    RunEngineOperation([this, &count] { count = Zipper1.UnZipSelected(); });
    ShowMessage("Successfully unzipped " + std::to_string(count) + " files.");
    DirectoryListBox2->Update();
    FileListBox2->Update();
}

// Marks left over from a run that failed half-way must not join the user's choice.
void TForm1::ClearEntryMarks() {
    for (int i = 0; i < Zipper1.Count() && Zipper1.SelectedCount() > 0; ++i) {
        Zipper1.SetEntrySelected(i, false);
    }
}

void TForm1::a_unzipSelExecute() {
    ClearEntryMarks();
    Zipper1.FilesList().clear();
    for (int row : ListBox2->SelectedRows()) {
        const int entry = EntryOfRow(row);
        if (entry >= 0 && entry < Zipper1.Count()) {
            Zipper1.SetEntrySelected(entry, true);
        }
    }
    ExtractToUnzipFolder(false);
}

void TForm1::a_unZipAllExecute() {
    ExtractToUnzipFolder(true);
}

// Viewed copies go into a folder of this run's own, private to the user: a name in the
// shared temporary folder could be taken (or planted as a link) by someone else.
std::string TForm1::ViewFolder() {
    // A cleaner of the temporary folder may have taken it, with the copies it held.
    if (!viewFolder_.empty() && !mobrel::DirectoryExists(viewFolder_)) {
        RemoveViewFolder();
    }
    if (viewFolder_.empty()) {
        viewFolder_ = mobrel::MakeTempFolder(mobrel::TempDirectory(), "mobrel-view-");
    }
    return mobrel::IncludeTrailingSeparator(viewFolder_);
}

void TForm1::RemoveViewFolder() {
    if (!viewFolder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(viewFolder_, ignored);
        viewFolder_.clear();
    }
    ViewedFiles.clear();
    viewedSources_.clear();
}

void TForm1::ListBox2DblClick() {
    const int i = EntryOfRow(ListBox2->FocusedRow());
    const std::string temp = ViewFolder();
    // Where the engine puts it: a stored name may hold characters it replaces.
    const std::string viewed = mobrel::OutputFileFor(temp, Zipper1.EntryFileName(i));
    // A copy is opened again only while it holds this very entry: another archive, or
    // another folder of this one, may have an entry of the same file name.
    const std::string source = Zipper1.ZipName() + '\n' + Zipper1.EntryFullName(i);
    const auto known = viewedSources_.find(viewed);
    if (known == viewedSources_.end() || known->second != source) {
        const bool ownCopy = known != viewedSources_.end();
        if (ExtractForViewing(i, temp, ownCopy) > 0) {
            if (!ownCopy) {
                ViewedFiles.push_back(viewed);
            }
            viewedSources_[viewed] = source;
        } else if (ownCopy) {
            // What is there is another entry's copy; it must not be shown for this one.
            std::error_code ignored;
            std::filesystem::remove(viewed, ignored);
            viewedSources_.erase(viewed);
        }
    }
    if (mobrel::FileExists(viewed)) {
        if (!ShellOpenFile(viewed)) {
            ShowMessage("Couldn't view file");
        }
        ProgressBar1->setValue(0);
    } else {
        ShowMessage("Couldn't UnZip the file");
    }
}

// Extracts one entry, without its folders, into the temporary folder; the settings of the
// Unzip page are restored whatever happens.
int TForm1::ExtractForViewing(int row, const std::string& temp, bool replaceOwnCopy) {
    const bool keptRecreateDirs = Zipper1.RecreateDirs();
    const std::string keptDestDir = Zipper1.DestDir();
    const mobrel::TUZOverwriteMode keptOverwrite = Zipper1.OverwriteMode();
    const auto restore = [&] {
        Zipper1.SetDestDir(keptDestDir);
        Zipper1.SetRecreateDirs(keptRecreateDirs);
        Zipper1.SetOverwriteMode(keptOverwrite);
    };
    Zipper1.SetRecreateDirs(false);
    Zipper1.SetDoAll(false);
    Zipper1.SetDestDir(temp);
    if (replaceOwnCopy) {
        Zipper1.SetOverwriteMode(mobrel::TUZOverwriteMode::Always);
    }
    Zipper1.FilesList().clear();
    Zipper1.FilesList().push_back(Zipper1.EntryFullName(row));
    BeginReadingRun();
    int count = 0;
    try {
        RunEngineOperation([this, &count] { count = Zipper1.UnZip(); });
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return count;
}

void TForm1::FileListBox2DblClick() {
    const std::string name = FileListBox2->FileName();
    if (HasZipExtension(name)) {
        openTheZip(name);
    } else if (mobrel::FileExists(name)) {
        ShellOpenFile(name);
    }
}

void TForm1::Zipper1InCompleteZip(mobrel::TIncompleteZipMode& /*mode*/) {
    mobrel::Services().MessageBox(
        "The zip appears to be incomplete.\r\n"
        "Or it isn't a zip file.\r\n"
        "If you downloaded it, you might wish to try to \r\n"
        "download it again\r\n"
        "You may wish to delete this file.",
        "", mobrel::TMsgButtons::Ok);
    throw EAbort();
}

// The engine asks when its password fails for an entry. "Invalid Password" is said only of
// a password the user gave that has failed for this very entry; no answer (Cancel, Escape
// or an empty box) leaves the engine's password as it is, which skips the entry.
void TForm1::Zipper1BadPassword(int fileIndex, std::string& newPassword) {
    const std::string entryName = Zipper1.EntryFileName(fileIndex);
    const auto sayInvalid = [&entryName] {
        mobrel::Services().MessageBox("Invalid Password for file " + entryName, "Password Error",
                                      mobrel::TMsgButtons::Ok);
    };
    const bool givenAndFailed = fileIndex == askedEntry_ && Zipper1.Password() == givenPassword_;
    if (givenAndFailed) {
        sayInvalid();
    }
    askedEntry_ = -1;
    FormPassword->Prepare(entryName, Zipper1.ZipName());
    if (ShowModalWindow(*FormPassword) != QDialog::Accepted || FormPassword->Password().empty()) {
        return;
    }
    const std::string typed = FormPassword->Password();
    if (typed == Zipper1.Password()) {
        // The engine has just tried this one for the entry, and skips it.
        if (!givenAndFailed) {
            sayInvalid();
        }
        return;
    }
    newPassword = typed;
    askedEntry_ = fileIndex;
    givenPassword_ = typed;
    passwordArchive_ = Zipper1.ZipName();
}

void TForm1::Zipper1FilePercentDone(int /*percent*/) {}

// The bar follows the whole operation, so a long one shows that it moves.
void TForm1::Zipper1TotalPercentDone(int percent) {
    ProgressBar1->setValue(percent);
}

void TForm1::a_deleteExecute() {
    const mobrel::TMsgAnswer answer = mobrel::Services().MessageBox(
        "PERMANENTLY delete selected file(s) in zip?", "", mobrel::TMsgButtons::YesNo);
    if (answer != mobrel::TMsgAnswer::Yes) {
        ShowMessage("Delete cancelled by user.");
        return;
    }
    // The engine deletes marked entries in preference to the names; none may be marked.
    ClearEntryMarks();
    Zipper1.FilesList().clear();
    for (int row : ListBox2->SelectedRows()) {
        Zipper1.FilesList().push_back(Zipper1.EntryFullName(EntryOfRow(row)));
    }
    int deleted = 0;
    RunEngineOperation([this, &deleted] {
        Zipper1.SaveModifiedZipFile();
        deleted = Zipper1.DeleteEntries();
    });
    ShowMessage("Deleted " + std::to_string(deleted) + " files.");
    if (deleted > 0) {
        EntryList->Clear();
        a_uOpenCurrentExecute();
    }
}

void TForm1::a_uFixExecute() {
    const std::string name = Edit3->text().toStdString();
    ForgetPasswordOfOtherArchives(name);
    askedEntry_ = -1;
    int copied = 0;
    RunEngineOperation([this, &name, &copied] { copied = Zipper1.FixZip(name, ""); });
    Edit3->setText(QString::fromStdString(Zipper1.ZipName()));
    a_uOpenCurrentExecute();
    ShowMessage("Successfully extracted " + std::to_string(copied) + " files.");
}
