#pragma once

#include <QDialog>

// The File Operations window: recycles files and creates folders beside the main window's
// folder, with a folder tree of its own.
class TFormFileOps : public QDialog {
    Q_OBJECT

  public:
    explicit TFormFileOps(QWidget* parent = nullptr);
};
