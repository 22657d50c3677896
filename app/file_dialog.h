#pragma once
// The window's shared open and save dialogs. Each keeps its settings from one use to the
// next; each use runs the show hook before and the close hook after the dialog, whether the
// user accepted or cancelled. The dialog itself comes from the interactive services, so
// the tests can answer it.
#include <functional>
#include <string>

class TFileDialog {
  public:
    // An open dialog insists on an existing file; a save dialog does not.
    explicit TFileDialog(bool isOpenDialog) : isOpenDialog_(isOpenDialog) {}

    std::string Title;
    std::string DefaultExt;  // without the dot; added to a chosen name that has none
    std::string Filter;      // "Zip Files|*.zip|All Files|*.*"
    std::string InitialDir;
    std::string FileName;  // proposed before, chosen after

    // A name the dialog still holds from an earlier use gets the extension of this use
    // (".zip").
    void ProposeExtension(const std::string& extension);

    std::function<void()> OnShow;
    std::function<void()> OnClose;

    // True when the user accepted; FileName then holds the choice, and the chosen file's
    // folder becomes the current folder, as it would after the platform's own dialog.
    bool Execute();

  private:
    bool isOpenDialog_;
};
