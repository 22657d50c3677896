#pragma once
// The folder tree: the chain of folders from the root down to the shown folder, with the
// shown folder's sub-folders below it. Activating a row (double-click or Enter) shows that
// folder. The shown folder is also the process's current folder, which the window's
// actions read, so setting one sets the other.
#include <QTreeWidget>
#include <functional>
#include <string>

class TDirectoryListBox : public QTreeWidget {
    Q_OBJECT

  public:
    explicit TDirectoryListBox(QWidget* parent = nullptr);

    // The shown folder, without a trailing separator (except the root "/").
    const std::string& Directory() const { return directory_; }
    // Shows folder (a trailing separator is ignored), makes it the current folder and fires
    // OnChange. Setting the folder already shown does nothing, so two paired trees settle
    // after one exchange. A folder that doesn't exist is refused.
    void SetDirectory(const std::string& folder);
    // Reads the shown folder's sub-folders from disk again.
    void Update();

    std::function<void()> OnChange;
    // A key released while the tree has the focus (Insert and Delete act on the folder).
    std::function<void(int key)> OnKeyUp;

  protected:
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    QTreeWidgetItem* AddFolderRow(QTreeWidgetItem* parent, const QString& caption,
                                  const std::string& path);
    std::string directory_;
};
