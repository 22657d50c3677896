#pragma once
// A list that keeps its texts sorted case-insensitively as they are added (duplicates kept),
// several selectable. It accepts drops from a file list only, and reports them; what a drop
// adds is the window's decision.
#include <QListWidget>
#include <functional>
#include <string>
#include <vector>

class TSortedListBox : public QListWidget {
    Q_OBJECT

  public:
    explicit TSortedListBox(QWidget* parent = nullptr);

    // Inserts text at its sorted place.
    void Add(const std::string& text);
    std::vector<std::string> Items() const;
    bool HasSelection() const { return !selectedItems().isEmpty(); }

    // Files dragged here from a file list were dropped.
    std::function<void()> OnFileListDrop;
    std::function<void(int key)> OnKeyUp;

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    bool AcceptsSource(const QObject* source) const;
};
