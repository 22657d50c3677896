#pragma once
// Runs an action handler and shows the message of an exception that escapes it, so a
// failure ends the action, never the program, and never passes through Qt's event loop.
#include <functional>

void RunAction(const std::function<void()>& handler);
