#include "entry_list_model.h"

#include <QApplication>
#include <QDateTime>
#include <QLocale>
#include <QStyle>
#include <array>

#include "format/entry_details.h"
#include "format/zip_header_info.h"
#include "number_format.h"
#include "platform/file_mode_text.h"
#include "reader/un_zipper.h"
#include "shown_entry_path.h"

namespace {

constexpr std::array<const char*, TEntryListModel::ColumnCount> kColumnCaptions = {
    "Relative Path", "Filename",    "Size",   "Zipped Size",
    "Date",          "Permissions", "Method", "Encryption"};

// The date alone, in the user's short date format: entries changed on the same day read
// the same whatever the time.
QString ShortDate(mobrel::TDateTime when) {
    const QDate date = QDateTime::fromSecsSinceEpoch(when).date();
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

}  // namespace

TEntryListModel::TEntryListModel(const mobrel::TUnZipper& engine, QObject* parent)
    : QAbstractTableModel(parent), engine_(engine) {}

void TEntryListModel::SetRows(std::vector<std::string> rowTexts) {
    beginResetModel();
    rowTexts_ = std::move(rowTexts);
    endResetModel();
}

std::vector<std::string> TEntryListModel::RowTexts() const {
    if (!descending_) {
        return rowTexts_;
    }
    return {rowTexts_.rbegin(), rowTexts_.rend()};
}

void TEntryListModel::SetDescending(bool value) {
    beginResetModel();
    descending_ = value;
    endResetModel();
}

int TEntryListModel::EntryOfRow(int row) const {
    return descending_ ? RowCount() - 1 - row : row;
}

std::string TEntryListModel::RowTextOf(const mobrel::TUnZipper& engine, int i) {
    return ShownEntryPath(engine.EntryPath(i)) + " " + engine.EntryFileName(i) + " " +
           std::to_string(engine.EntryUncompressedSize(i)) + " " +
           std::to_string(engine.EntryCompressedSize(i));
}

QString TEntryListModel::CellText(int row, int column) const {
    row = EntryOfRow(row);
    if (row < 0 || row >= engine_.Count()) {
        return {};
    }
    switch (column) {
        case ColPath:
            return QString::fromStdString(ShownEntryPath(engine_.EntryPath(row)));
        case ColFileName:
            return QString::fromStdString(engine_.EntryFileName(row));
        case ColSize:
            return QString::fromStdString(FormatThousandsLocal(engine_.EntryUncompressedSize(row)));
        case ColZippedSize:
            return QString::fromStdString(FormatThousandsLocal(engine_.EntryCompressedSize(row)));
        case ColDate:
            return ShortDate(engine_.EntryDateTime(row));
        case ColPermissions:
            return QString::fromStdString(
                mobrel::FileModeText(mobrel::EntryFileMode(engine_.EntryInfo(row))));
        case ColMethod:
            return QString::fromStdString(mobrel::EntryMethodName(engine_.EntryInfo(row)));
        case ColEncryption:
            return QString::fromStdString(mobrel::EntryEncryptionName(engine_.EntryInfo(row)));
        default:
            return {};
    }
}

bool TEntryListModel::IsLinkRow(int row) const {
    row = EntryOfRow(row);
    return row >= 0 && row < engine_.Count() && engine_.EntryInfo(row).IsSymbolicLink();
}

int TEntryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int TEntryListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TEntryListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return CellText(index.row(), index.column());
    }
    // A link keeps its name as the archive has it; the mark beside it tells what it is. Its
    // target is the entry's data, which would have to be decoded to be shown.
    const bool link = IsLinkRow(index.row());
    if (link && index.column() == ColFileName && role == Qt::DecorationRole) {
        return QApplication::style()->standardIcon(QStyle::SP_FileLinkIcon);
    }
    const bool describesLink = index.column() == ColFileName || index.column() == ColPermissions;
    if (link && describesLink && role == Qt::ToolTipRole) {
        return QString("Symbolic link");
    }
    return {};
}

QVariant TEntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount) {
        return {};
    }
    return QString(kColumnCaptions[section]);
}

Qt::ItemFlags TEntryListModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return index.isValid() ? flags | Qt::ItemIsDragEnabled : flags;
}
