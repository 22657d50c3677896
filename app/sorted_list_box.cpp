#include "sorted_list_box.h"

#include <QDropEvent>
#include <QKeyEvent>

#include "file_list_box.h"

TSortedListBox::TSortedListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
}

void TSortedListBox::Add(const std::string& text) {
    const QString value = QString::fromStdString(text);
    int low = 0;
    int high = count();
    while (low < high) {
        const int middle = (low + high) / 2;
        if (QString::compare(item(middle)->text(), value, Qt::CaseInsensitive) <= 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    insertItem(low, value);
}

std::vector<std::string> TSortedListBox::Items() const {
    std::vector<std::string> texts;
    texts.reserve(count());
    for (int i = 0; i < count(); ++i) {
        texts.push_back(item(i)->text().toStdString());
    }
    return texts;
}

bool TSortedListBox::AcceptsSource(const QObject* source) const {
    return qobject_cast<const TFileListBox*>(source) != nullptr;
}

void TSortedListBox::dragEnterEvent(QDragEnterEvent* event) {
    if (AcceptsSource(event->source())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TSortedListBox::dragMoveEvent(QDragMoveEvent* event) {
    if (AcceptsSource(event->source())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TSortedListBox::dropEvent(QDropEvent* event) {
    if (!AcceptsSource(event->source())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (OnFileListDrop) {
        OnFileListDrop();
    }
}

void TSortedListBox::keyReleaseEvent(QKeyEvent* event) {
    QListWidget::keyReleaseEvent(event);
    if (OnKeyUp) {
        OnKeyUp(event->key());
    }
}
