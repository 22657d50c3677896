#pragma once
// Opening a file, web page or mail link in the program the desktop associates with it.
#include <QUrl>
#include <functional>
#include <string>

// Asks the desktop to open target; false when it reports failure.
bool ShellOpen(const QUrl& target);
// A local file by its path.
bool ShellOpenFile(const std::string& path);

// Replaces the desktop for the tests (nullptr restores it): the handler sees every request.
void SetShellOpenHandler(std::function<bool(const QUrl&)> handler);
