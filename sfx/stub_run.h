#pragma once
// What a self-extracting program does when it runs: reads its own archive and settings,
// asks what the settings say to ask (only on a terminal), extracts, and runs the command
// the maker chose.
#include <string>
#include <vector>

namespace mobrel::sfx {

// The run with args (the words after the program's name); returns the exit status:
// 0 done, 1 some entries skipped or failed or the command failed, 2 nothing extracted
// (cancelled, no terminal to ask on, no archive, bad arguments).
int RunStub(const std::string& programName, const std::vector<std::string>& args);

}  // namespace mobrel::sfx
