#pragma once
// The engine's interactive services through Qt: modal message boxes, the file and folder
// dialogs, the busy cursor and processing pending window events.
#include <QWidget>

#include "platform/interactive_services.h"

class TQtInteractiveServices : public mobrel::TInteractiveServices {
  public:
    // Installs itself for its lifetime; dialogs are owned by parent (may be null).
    explicit TQtInteractiveServices(QWidget* parent = nullptr);
    ~TQtInteractiveServices() override;
    TQtInteractiveServices(const TQtInteractiveServices&) = delete;
    TQtInteractiveServices& operator=(const TQtInteractiveServices&) = delete;

    void SetParent(QWidget* parent) { parent_ = parent; }

    mobrel::TMsgAnswer MessageBox(const std::string& text, const std::string& caption,
                                  mobrel::TMsgButtons buttons) override;
    bool OpenFileDialog(const mobrel::TFileDialogRequest& request, std::string& fileName) override;
    bool ChooseFolder(const std::string& title, const std::string& startDir,
                      std::string& folder) override;
    void SetBusyCursor(bool busy) override;
    void ProcessMessages() override;

  private:
    QWidget* parent_;
};

// "Zip Files|*.zip|All Files|*.*" as Qt's name filters: "Zip Files (*.zip)", "All Files (*)".
QStringList QtNameFilters(const std::string& filter);
