#pragma once
// The entry list's rows over the engine's directory: row i stands for engine entry i, or
// in descending order for the entry that many from the end, and its cells are read from
// the engine whenever they are drawn, so no row object is kept per entry and a
// directory of tens of thousands of entries lists at once. Each row also keeps its text
// (path, name and both sizes), which the saved list of names uses.
#include <QAbstractTableModel>
#include <string>
#include <vector>

namespace mobrel {
class TUnZipper;
}

class TEntryListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum TColumn {
        ColPath,
        ColFileName,
        ColSize,
        ColZippedSize,
        ColDate,
        ColPermissions,
        ColMethod,
        ColEncryption,
        ColumnCount
    };

    explicit TEntryListModel(const mobrel::TUnZipper& engine, QObject* parent = nullptr);

    // Replaces every row.
    void SetRows(std::vector<std::string> rowTexts);
    void Clear() { SetRows({}); }
    int RowCount() const { return static_cast<int>(rowTexts_.size()); }
    // The row texts in the order shown.
    std::vector<std::string> RowTexts() const;
    // The engine's order read from its end; rows are laid out again.
    bool Descending() const { return descending_; }
    void SetDescending(bool value);
    // The engine entry shown in row.
    int EntryOfRow(int row) const;

    // The row text of engine entry i: path (as shown), name, unpacked and packed size.
    static std::string RowTextOf(const mobrel::TUnZipper& engine, int i);
    // What cell column of row i shows; empty for a row beyond the engine's directory.
    QString CellText(int row, int column) const;
    // True when row shows a symbolic link, whose name is marked with a link icon.
    bool IsLinkRow(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Rows can be dragged out of the list, never dropped on it.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    const mobrel::TUnZipper& engine_;
    std::vector<std::string> rowTexts_;  // in engine order
    bool descending_ = false;
};
