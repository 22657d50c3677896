#pragma once
// What the main window lends its two pages. A page reaches the window through this alone:
// the engine and the one way its operations run, the current-archive box, the shared
// dialogs and windows, the status panels, and the pairing of the pages' folders.
#include <functional>
#include <string>

class QDialog;
class TFileDialog;
class TFormPassword;

namespace mobrel {
class TSFXConfig;
class TZipper;
}  // namespace mobrel

class TPageHost {
  public:
    // --- The engine: one for the whole run, driven one operation at a time ---
    virtual mobrel::TZipper& Engine() = 0;
    virtual mobrel::TSFXConfig& SelfExtractorSettings() = 0;
    // Runs a user's command as every action runs: not while an engine operation runs,
    // under the hourglass, and an exception that escapes it ends it with a message.
    virtual void RunAction(const std::function<void()>& handler) = 0;
    // Runs one engine operation with the progress bar following it from 0 and Escape asking
    // the engine to stop; the bar goes back to 0 when the operation fails.
    virtual void RunEngineOperation(const std::function<void()>& operation) = 0;
    // True while an engine operation runs.
    virtual bool OperationRunning() const = 0;
    virtual void ResetProgress() = 0;

    // --- The current archive, shown above both pages ---
    virtual std::string CurrentArchive() const = 0;
    virtual void SetCurrentArchive(const std::string& name) = 0;
    // The current archive is an existing file with the extension ".zip".
    virtual bool CurrentArchiveIsZip() const = 0;
    // Once the file named as the current archive is gone, it is forgotten, with the entry
    // list and the list of files to zip. An empty name names nothing that could go.
    virtual void ForgetCurrentArchiveIfGone() = 0;
    // Opening an archive to unzip starts the list of files to zip anew.
    virtual void ClearFilesToZip() = 0;

    // --- The shared windows ---
    virtual TFileDialog& OpenDialog() = 0;
    virtual TFileDialog& SaveDialog() = 0;
    virtual TFormPassword& PasswordWindow() = 0;
    virtual int ShowModalWindow(QDialog& window) = 0;
    virtual void SetStatusPanels(const std::string& panel0, const std::string& panel1) = 0;

    // --- Both pages show one folder on one drive ---
    // A page's folder tree moved to folder, or its drive box to drive: the other follows.
    virtual void FolderShown(const std::string& folder) = 0;
    virtual void DriveChosen(const std::string& drive) = 0;
    // Both folder trees and both file lists read from disk again.
    virtual void RereadFoldersAndFiles() = 0;

  protected:
    ~TPageHost() = default;
};
