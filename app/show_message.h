#pragma once
// The window's plain message: a text and an OK button, under the program's name.
#include <string>

void ShowMessage(const std::string& text);
