#include "shell_open.h"

#include <QDesktopServices>

namespace {

std::function<bool(const QUrl&)>& Handler() {
    static std::function<bool(const QUrl&)> handler;
    return handler;
}

}  // namespace

bool ShellOpen(const QUrl& target) {
    if (Handler()) {
        return Handler()(target);
    }
    return QDesktopServices::openUrl(target);
}

bool ShellOpenFile(const std::string& path) {
    return ShellOpen(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void SetShellOpenHandler(std::function<bool(const QUrl&)> handler) {
    Handler() = std::move(handler);
}
