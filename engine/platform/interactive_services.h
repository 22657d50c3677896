#pragma once
// The few interactive services the engine needs from whoever drives it: message boxes,
// file and folder dialogs, the busy cursor and processing pending window messages.
// The application installs its own implementation at start-up; until then (and in the
// command-line program and the tests) a headless default answers without ever blocking.
#include <string>

namespace mobrel {

enum class TMsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class TMsgAnswer { Ok, Cancel, Yes, No };

struct TFileDialogRequest {
    std::string Title;
    std::string Filter;      // "Description (*.ext)|*.ext|..." pairs
    std::string InitialDir;  // empty: the current folder
    std::string FileName;    // proposed name
    bool MustExist = true;   // an open dialog; false for a save dialog
    // Without the dot; a save dialog adds it to a typed name that has none before it asks
    // whether an existing file may be replaced.
    std::string DefaultExt;
};

class TInteractiveServices {
  public:
    virtual ~TInteractiveServices() = default;

    virtual TMsgAnswer MessageBox(const std::string& text, const std::string& caption,
                                  TMsgButtons buttons);
    // Returns false when the user cancels; fileName receives the choice otherwise.
    virtual bool OpenFileDialog(const TFileDialogRequest& request, std::string& fileName);
    // Returns false when the user cancels; folder receives the choice otherwise.
    virtual bool ChooseFolder(const std::string& title, const std::string& startDir,
                              std::string& folder);
    virtual void SetBusyCursor(bool busy);
    virtual void ProcessMessages();
};

// The services in force. Never null: the headless default when none is installed.
TInteractiveServices& Services();
// Installs services (not owned); nullptr restores the headless default.
void InstallServices(TInteractiveServices* services);

// Shows the busy cursor for one scope and always restores it.
class TBusyCursorScope {
  public:
    TBusyCursorScope() { Services().SetBusyCursor(true); }
    ~TBusyCursorScope() { Services().SetBusyCursor(false); }
    TBusyCursorScope(const TBusyCursorScope&) = delete;
    TBusyCursorScope& operator=(const TBusyCursorScope&) = delete;
};

}  // namespace mobrel
