#pragma once
// Where the running program's own file lies: a self-extracting program reads its archive
// from it, and mobrel-cli finds the stub installed beside it.
#include <string>

namespace mobrel {

// The full path of the running program's file. Raises EFileError when it can't be found.
std::string RunningProgramPath();

}  // namespace mobrel
