#pragma once
// Questions on the terminal. Every question is written to standard error and answered on
// standard input, and only ever asked when standard input is a terminal.
#include <string>

namespace mobrel::sfx {

bool StdinIsTerminal();

// "question [Y/n] " or "[y/N] "; an empty answer (or the end of the input) takes the default.
bool AskYesNo(const std::string& question, bool defaultAnswer);
// "question [current]: "; an empty answer keeps current.
std::string AskLine(const std::string& question, const std::string& current);

}  // namespace mobrel::sfx
