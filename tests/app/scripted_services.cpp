#include "scripted_services.h"

mobrel::TMsgAnswer TScriptedServices::MessageBox(const std::string& text, const std::string&,
                                                 mobrel::TMsgButtons buttons) {
    Messages.push_back(text);
    if (buttons == mobrel::TMsgButtons::Ok) {
        return mobrel::TMsgAnswer::Ok;
    }
    if (Answers.empty()) {
        return buttons == mobrel::TMsgButtons::OkCancel ? mobrel::TMsgAnswer::Cancel
                                                        : mobrel::TMsgAnswer::No;
    }
    const mobrel::TMsgAnswer answer = Answers.front();
    Answers.pop_front();
    return answer;
}

bool TScriptedServices::OpenFileDialog(const mobrel::TFileDialogRequest& request,
                                       std::string& fileName) {
    DialogRequests.push_back(request);
    return NextDialogAnswer(fileName);
}

bool TScriptedServices::ChooseFolder(const std::string&, const std::string&, std::string& folder) {
    return NextDialogAnswer(folder);
}

bool TScriptedServices::NextDialogAnswer(std::string& answer) {
    if (DialogAnswers.empty()) {
        return false;
    }
    std::string next = DialogAnswers.front();
    DialogAnswers.pop_front();
    if (next.empty()) {
        return false;
    }
    answer = next;
    return true;
}
