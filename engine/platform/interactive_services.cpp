#include "platform/interactive_services.h"

#include <cstdio>

namespace mobrel {

namespace {

TInteractiveServices gHeadless;
TInteractiveServices* gInstalled = nullptr;

// Without a person to ask, every question gets the answer that changes nothing.
TMsgAnswer SafeAnswer(TMsgButtons buttons) {
    switch (buttons) {
        case TMsgButtons::Ok:
            return TMsgAnswer::Ok;
        case TMsgButtons::OkCancel:
            return TMsgAnswer::Cancel;
        case TMsgButtons::YesNo:
        case TMsgButtons::YesNoCancel:
            return TMsgAnswer::No;
    }
    return TMsgAnswer::Cancel;
}

}  // namespace

TMsgAnswer TInteractiveServices::MessageBox(const std::string& text, const std::string& caption,
                                            TMsgButtons buttons) {
    if (caption.empty()) {
        std::fprintf(stderr, "%s\n", text.c_str());
    } else {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
    return SafeAnswer(buttons);
}

bool TInteractiveServices::OpenFileDialog(const TFileDialogRequest&, std::string&) {
    return false;
}

bool TInteractiveServices::ChooseFolder(const std::string&, const std::string&, std::string&) {
    return false;
}

void TInteractiveServices::SetBusyCursor(bool) {}

void TInteractiveServices::ProcessMessages() {}

TInteractiveServices& Services() {
    return gInstalled != nullptr ? *gInstalled : gHeadless;
}

void InstallServices(TInteractiveServices* services) {
    gInstalled = services;
}

}  // namespace mobrel
