#pragma once
// The input box: a modal question with one line of text to answer.
#include <functional>
#include <string>

// Shows caption, prompt and a text box pre-filled with defaultText; returns the text the
// user confirmed, or defaultText when the box is cancelled.
std::string InputBox(const std::string& caption, const std::string& prompt,
                     const std::string& defaultText);

// When set, answers every input box in place of the window (for tests). Receives the same
// arguments and returns what the user would have confirmed.
using TInputBoxHandler = std::function<std::string(
    const std::string& caption, const std::string& prompt, const std::string& defaultText)>;
void SetInputBoxHandler(TInputBoxHandler handler);
