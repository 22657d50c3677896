#include "input_box.h"

#include <QApplication>
#include <QInputDialog>

namespace {

TInputBoxHandler& Handler() {
    static TInputBoxHandler handler;
    return handler;
}

}  // namespace

std::string InputBox(const std::string& caption, const std::string& prompt,
                     const std::string& defaultText) {
    if (Handler()) {
        return Handler()(caption, prompt, defaultText);
    }
    bool accepted = false;
    const QString text =
        QInputDialog::getText(QApplication::activeWindow(), QString::fromStdString(caption),
                              QString::fromStdString(prompt), QLineEdit::Normal,
                              QString::fromStdString(defaultText), &accepted);
    return accepted ? text.toStdString() : defaultText;
}

void SetInputBoxHandler(TInputBoxHandler handler) {
    Handler() = std::move(handler);
}
