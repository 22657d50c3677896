// The Unzip page: opening and listing the current archive, extracting, deleting, viewing
// an entry, and the engine's questions about passwords and incomplete archives.
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
    saveLastFilename(Zipper1.ZipName());
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

void TForm1::a_openUnzipExecute() {
    OpenDialog1.Title = "Open an existing zip file.";
    if (!OpenDialog1.FileName.empty()) {
        OpenDialog1.FileName = mobrel::ChangeFileExt(OpenDialog1.FileName, ".zip");
    }
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

void TForm1::ExtractToUnzipFolder(bool doAll) {
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
        if (row < Zipper1.Count()) {
            Zipper1.SetEntrySelected(row, true);
        }
    }
    ExtractToUnzipFolder(false);
}

void TForm1::a_unZipAllExecute() {
    ExtractToUnzipFolder(true);
}

void TForm1::ListBox2DblClick() {
    const std::string temp = mobrel::TempDirectory();
    const int i = ListBox2->FocusedRow();
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

void TForm1::Zipper1BadPassword(int fileIndex, std::string& newPassword) {
    const std::string entryName = Zipper1.EntryFileName(fileIndex);
    FormPassword->Label1->setText(QString::fromStdString(entryName));
    newPassword = FormPassword->Edit1->text().toStdString();
    ShowModalWindow(*FormPassword);
    if (!FormPassword->Edit1->text().isEmpty()) {
        newPassword = FormPassword->Edit1->text().toStdString();
    }
    if (newPassword != Zipper1.Password()) {
        mobrel::Services().MessageBox("Invalid Password for file " + entryName, "Password Error",
                                      mobrel::TMsgButtons::Ok);
    }
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
        Zipper1.FilesList().push_back(Zipper1.EntryFullName(row));
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
    int copied = 0;
    RunEngineOperation([this, &name, &copied] { copied = Zipper1.FixZip(name, ""); });
    Edit3->setText(QString::fromStdString(Zipper1.ZipName()));
    a_uOpenCurrentExecute();
    ShowMessage("Successfully extracted " + std::to_string(copied) + " files.");
}
