#pragma once
// Interactive services for the application's tests: every message box is recorded and
// answered from a script, every dialog answers from a script too, so a test can drive an
// action from start to end without a person and check exactly what was shown.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/interactive_services.h"

class TScriptedServices : public mobrel::TInteractiveServices {
  public:
    TScriptedServices() { mobrel::InstallServices(this); }
    ~TScriptedServices() override { mobrel::InstallServices(nullptr); }
    TScriptedServices(const TScriptedServices&) = delete;
    TScriptedServices& operator=(const TScriptedServices&) = delete;

    // Texts of the message boxes shown so far, in order.
    std::vector<std::string> Messages;
    // Answers for the questions (Yes/No and OK/Cancel boxes); when empty, No or Cancel.
    std::deque<mobrel::TMsgAnswer> Answers;
    // Answers for file dialogs and folder choosers: a name to accept, or empty to cancel.
    std::deque<std::string> DialogAnswers;
    // The requests the file dialogs were shown with.
    std::vector<mobrel::TFileDialogRequest> DialogRequests;
    int BusyDepth = 0;
    // Runs whenever the engine lets the window process its pending messages, so a test can
    // act in the middle of an operation as a user would (a key pressed while it runs).
    std::function<void()> OnProcessMessages;

    mobrel::TMsgAnswer MessageBox(const std::string& text, const std::string&,
                                  mobrel::TMsgButtons buttons) override;
    bool OpenFileDialog(const mobrel::TFileDialogRequest& request, std::string& fileName) override;
    bool ChooseFolder(const std::string&, const std::string&, std::string& folder) override;
    void SetBusyCursor(bool busy) override { BusyDepth += busy ? 1 : -1; }
    void ProcessMessages() override {
        if (OnProcessMessages) {
            OnProcessMessages();
        }
    }

  private:
    bool NextDialogAnswer(std::string& answer);
};
