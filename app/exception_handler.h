#pragma once
// The standard handler for an exception that escapes an action: the action ends at once
// and its message is shown in a message box; the silent abort shows nothing.
#include <exception>
#include <functional>

// Shows the message of the exception in flight (call from a catch block).
void ShowEscapedException(std::exception_ptr error);

// Runs handler; an exception that escapes it goes to the standard handler. True when the
// handler ran to its end.
bool RunGuarded(const std::function<void()>& handler);
