#pragma once
// The entry list: columns under a header whose sections the user can drag, several rows
// selectable, and the selected rows can be dragged out of it. Rows are one text line high and all
// of the same height, which lets the view lay out a long directory without measuring every row.
#include <QTreeView>
#include <functional>
#include <vector>

class TEntryListView : public QTreeView {
    Q_OBJECT

  public:
    explicit TEntryListView(QWidget* parent = nullptr);

    // Rows selected, in order.
    std::vector<int> SelectedRows() const;
    bool IsRowSelected(int row) const;
    bool HasSelection() const;
    // The focused row, or -1.
    int FocusedRow() const;

    std::function<void()> OnDblClick;
    // A key released whose press the list received too: the release of a key that closed a
    // message box (Enter, say) comes here once the box is gone, and must not act.
    std::function<void(int key)> OnKeyUp;
    // The user began dragging the selected rows: what they carry is the handler's to make.
    std::function<void()> OnStartDrag;

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

  private:
    int pressedKey_ = 0;
};
