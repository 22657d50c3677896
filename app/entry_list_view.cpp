#include "entry_list_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>

TEntryListView::TEntryListView(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setTextElideMode(Qt::ElideNone);
    header()->setStretchLastSection(true);  // the last column takes what is left
    header()->setSectionsMovable(false);
}

std::vector<int> TEntryListView::SelectedRows() const {
    std::vector<int> rows;
    if (model() == nullptr) {
        return rows;
    }
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool TEntryListView::IsRowSelected(int row) const {
    return model() != nullptr && selectionModel()->isRowSelected(row, QModelIndex());
}

bool TEntryListView::HasSelection() const {
    return model() != nullptr && selectionModel()->hasSelection();
}

int TEntryListView::FocusedRow() const {
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void TEntryListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (OnDblClick) {
        OnDblClick();
    }
}

void TEntryListView::keyPressEvent(QKeyEvent* event) {
    pressedKey_ = event->key();
    QTreeView::keyPressEvent(event);
}

void TEntryListView::keyReleaseEvent(QKeyEvent* event) {
    QTreeView::keyReleaseEvent(event);
    if (event->isAutoRepeat() || event->key() != pressedKey_) {
        return;
    }
    pressedKey_ = 0;
    if (OnKeyUp) {
        OnKeyUp(event->key());
    }
}

// The rows stand for entries, not files: only the handler can make files of them.
void TEntryListView::startDrag(Qt::DropActions /*supportedActions*/) {
    if (OnStartDrag) {
        OnStartDrag();
    }
}
