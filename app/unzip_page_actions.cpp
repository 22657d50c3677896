// The Unzip page's commands: opening and listing the current archive, sorting the list,
// extracting, deleting and repairing.
#include <QHeaderView>
#include <QLineEdit>

#include "entry_list_model.h"
#include "entry_list_view.h"
#include "file_dialog.h"
#include "last_filename.h"
#include "names_encoding_combo_box.h"
#include "number_format.h"
#include "platform/file_helpers.h"
#include "platform/interactive_services.h"
#include "platform/progress.h"
#include "saved_file_list.h"
#include "show_message.h"
#include "unzip_page.h"
#include "writer/zipper.h"
#include "zip_extension.h"

// --- Opening ---

void TUnzipPage::OpenArchive(const std::string& name) {
    unzippedTotal_ = 0;
    EntryList->Clear();
    Edit1->clear();
    Edit5->clear();
    if (!mobrel::FileExists(name) || !HasZipExtension(name)) {
        ShowMessage("Please open a file to zip");
        ForgetCurrentArchive();
        return;
    }
    ForgetPasswordOfOtherArchives(name);
    engine_.SetZipName(name);
    try {
        host_.RunEngineOperation([this] { engine_.ReadZip(); });
    } catch (...) {
        // The archive that could not be read stays the current one: "Fix Zip File" repairs
        // it rather than the one opened before, and other actions report why it cannot be
        // read instead of looking for an archive with no name.
        engine_.SetZipName(name);
        host_.SetCurrentArchive(name);
        throw;
    }
    FillEntryList();
    Edit5->setText(QString::fromStdString(FormatThousandsLocal(engine_.ZipSize())));
    Edit1->setText(QString::fromStdString(FormatThousandsLocal(unzippedTotal_)));
    SaveLastFilename(engine_.ZipName());
    host_.SetCurrentArchive(engine_.ZipName());
}

void TUnzipPage::ChooseArchive() {
    TFileDialog& dialog = host_.OpenDialog();
    dialog.Title = "Open an existing zip file.";
    dialog.ProposeExtension(".zip");
    dialog.DefaultExt = "zip";
    dialog.Filter = "Zip Files|*.zip";
    if (dialog.Execute()) {
        OpenArchive(dialog.FileName);
    }
    if (!mobrel::FileExists(host_.CurrentArchive())) {
        host_.SetCurrentArchive("");
        EntryList->Clear();
    }
    host_.ClearFilesToZip();
    host_.RereadFoldersAndFiles();
}

void TUnzipPage::OpenCurrentArchive() {
    OpenArchive(host_.CurrentArchive());
}

// A password the user gave serves the archive it was given for, and no other.
void TUnzipPage::ForgetPasswordOfOtherArchives(const std::string& archive) {
    if (archive != passwordArchive_) {
        engine_.SetPassword("");
        passwordArchive_.clear();
    }
}

// --- The entry list ---

// Summed in 64 bits: an archive of more than 2 GiB unpacked shows its true total.
void TUnzipPage::FillEntryList() {
    const int count = engine_.Count();
    std::vector<std::string> rows;
    rows.reserve(count);
    int64_t total = 0;
    for (int i = 0; i < count; ++i) {
        rows.push_back(TEntryListModel::RowTextOf(engine_, i));
        total = mobrel::AddedTotal(total, engine_.EntryUncompressedSize(i));
    }
    EntryList->SetRows(std::move(rows));
    unzippedTotal_ = total;
}

int TUnzipPage::EntryOfRow(int row) const {
    return row < 0 ? row : EntryList->EntryOfRow(row);
}

void TUnzipPage::SelectRows(const std::vector<int>& rows) {
    ListBox2->clearSelection();
    for (int row : rows) {
        ListBox2->selectionModel()->select(EntryList->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void TUnzipPage::FocusRow(int row) {
    const QModelIndex index = EntryList->index(row, 0);
    ListBox2->setCurrentIndex(index);
    ListBox2->scrollTo(index);
}

int TUnzipPage::FocusedRow() const {
    return ListBox2->FocusedRow();
}

namespace {

// The engine's order for each column of the entry list: names and the entries' details
// ascending, sizes and dates largest and newest first.
struct TColumnOrder {
    mobrel::TZipSortMode Mode;
    Qt::SortOrder Order;
};

constexpr TColumnOrder kColumnOrders[TEntryListModel::ColumnCount] = {
    {mobrel::ByDirectoryName, Qt::AscendingOrder},
    {mobrel::ByFileName, Qt::AscendingOrder},
    {mobrel::ByUnCompressedSize, Qt::DescendingOrder},
    {mobrel::ByCompressedSize, Qt::DescendingOrder},
    {mobrel::ByDate, Qt::DescendingOrder},
    {mobrel::ByPermissions, Qt::AscendingOrder},
    {mobrel::ByMethod, Qt::AscendingOrder},
    {mobrel::ByEncryption, Qt::AscendingOrder}};

Qt::SortOrder Reversed(Qt::SortOrder order) {
    return order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
}

}  // namespace

void TUnzipPage::SortByColumn(int column) {
    if (column < 0 || column >= TEntryListModel::ColumnCount) {
        return;
    }
    const bool reversed = column == sortColumn_ && !EntryList->Descending();
    const TColumnOrder& order = kColumnOrders[column];
    engine_.Sort(order.Mode);
    sortColumn_ = column;
    EntryList->SetDescending(reversed);
    FillEntryList();
    Header1->setSortIndicator(column, reversed ? Reversed(order.Order) : order.Order);
    Header1->setSortIndicatorShown(true);
}

void TUnzipPage::ChooseNamesEncoding(mobrel::TNamesCodePage page) {
    engine_.SetNamesCodePage(page);
    NamesEncoding->SetPage(page);
    if (host_.CurrentArchiveIsZip()) {
        OpenCurrentArchive();
    }
}

void TUnzipPage::SaveNameList() {
    // The save dialog starts where it was left.
    TFileDialog& dialog = host_.SaveDialog();
    PrepareListDialog(dialog, "Save a list of files");
    if (dialog.Execute()) {
        SaveFileList(dialog.FileName, EntryList->RowTexts());
    }
}

// --- Extracting, deleting, repairing ---

void TUnzipPage::BeginReadingRun(const std::string& archive) {
    ForgetPasswordOfOtherArchives(archive);
    askedEntry_ = -1;
    passwordDeclined_ = false;
    failures_.Clear();
}

void TUnzipPage::ExtractToUnzipFolder(bool doAll) {
    if (!ApplyDestinationBox()) {
        return;
    }
    BeginReadingRun(engine_.ZipName());
    engine_.SetDoAll(doAll);
    engine_.SetDestDir(Folder());
    engine_.SetRecreateDirs(true);
    engine_.SetRetainAttributes(true);
    int count = 0;
    host_.RunEngineOperation([this, &count] { count = engine_.UnZipSelected(); });
    Reread();
    ReportRun("Successfully unzipped " + std::to_string(count) + " files.",
              "Unzipped " + std::to_string(count) + " files");
}

// Marks left over from a run that failed half-way must not join the user's choice.
void TUnzipPage::ClearEntryMarks() {
    for (int i = 0; i < engine_.Count() && engine_.SelectedCount() > 0; ++i) {
        engine_.SetEntrySelected(i, false);
    }
}

void TUnzipPage::ExtractSelected() {
    ClearEntryMarks();
    engine_.FilesList().clear();
    for (int row : ListBox2->SelectedRows()) {
        const int entry = EntryOfRow(row);
        if (entry >= 0 && entry < engine_.Count()) {
            engine_.SetEntrySelected(entry, true);
        }
    }
    ExtractToUnzipFolder(false);
}

void TUnzipPage::ExtractAll() {
    ExtractToUnzipFolder(true);
}

void TUnzipPage::DeleteSelected() {
    const mobrel::TMsgAnswer answer = mobrel::Services().MessageBox(
        "PERMANENTLY delete selected file(s) in zip?", "", mobrel::TMsgButtons::YesNo);
    if (answer != mobrel::TMsgAnswer::Yes) {
        ShowMessage("Delete cancelled by user.");
        return;
    }
    // The engine deletes marked entries in preference to the names; none may be marked.
    ClearEntryMarks();
    engine_.FilesList().clear();
    for (int row : ListBox2->SelectedRows()) {
        engine_.FilesList().push_back(engine_.EntryFullName(EntryOfRow(row)));
    }
    int deleted = 0;
    host_.RunEngineOperation([this, &deleted] {
        engine_.SaveModifiedZipFile();
        deleted = engine_.DeleteEntries();
    });
    ShowMessage("Deleted " + std::to_string(deleted) + " files.");
    if (deleted > 0) {
        EntryList->Clear();
        OpenCurrentArchive();
    }
}

void TUnzipPage::Fix() {
    const std::string name = host_.CurrentArchive();
    BeginReadingRun(name);
    int copied = 0;
    host_.RunEngineOperation([this, &name, &copied] { copied = engine_.FixZip(name, ""); });
    host_.SetCurrentArchive(engine_.ZipName());
    OpenCurrentArchive();
    ReportRun("Successfully extracted " + std::to_string(copied) + " files.",
              "Extracted " + std::to_string(copied) + " files");
}
