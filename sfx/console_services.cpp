#include "console_services.h"

#include <cstdio>

#include "console.h"

namespace mobrel::sfx {

TMsgAnswer TConsoleServices::MessageBox(const std::string& text, const std::string& caption,
                                        TMsgButtons buttons) {
    const std::string question = caption.empty() ? text : caption + ": " + text;
    switch (buttons) {
        case TMsgButtons::Ok:
            std::fprintf(stderr, "%s\n", question.c_str());
            return TMsgAnswer::Ok;
        case TMsgButtons::OkCancel:
            return AskYesNo(question, false) ? TMsgAnswer::Ok : TMsgAnswer::Cancel;
        case TMsgButtons::YesNo:
        case TMsgButtons::YesNoCancel:
            return AskYesNo(question, false) ? TMsgAnswer::Yes : TMsgAnswer::No;
    }
    return TMsgAnswer::Cancel;
}

}  // namespace mobrel::sfx
