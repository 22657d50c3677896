#pragma once
// The file list of a folder: the names of the folder's files that match the mask, sorted,
// several selectable. It follows the folder tree it is bound to.
#include <QListWidget>
#include <functional>
#include <string>
#include <vector>

class TFileListBox : public QListWidget {
    Q_OBJECT

  public:
    explicit TFileListBox(QWidget* parent = nullptr);

    const std::string& Directory() const { return directory_; }
    // Shows the files of folder.
    void SetDirectory(const std::string& folder);
    // Patterns separated by ';' ("*.htm*;*.js"); a file is listed when one of them matches.
    const std::string& Mask() const { return mask_; }
    void SetMask(const std::string& mask);
    // Reads the folder from disk again.
    void Update();

    // The full path of the focused file, or empty when there is none.
    std::string FileName() const;
    // The bare names of every listed file, and of the selected ones, top to bottom.
    std::vector<std::string> Names() const;
    std::vector<std::string> SelectedNames() const;
    bool HasSelection() const;

    // A key released while the list has the focus (Delete recycles the focused file).
    std::function<void(int key)> OnKeyUp;

  protected:
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    bool MatchesMask(const std::string& name) const;
    std::string directory_;
    std::string mask_ = "*.*";
};
