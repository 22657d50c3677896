#pragma once
// Marking a written file as a program the system will run.
#include <string>

namespace mobrel {

// Gives execute permission to everyone who may read the file (owner, group, others), as a
// compiler does for the programs it links. False when the mode can't be read or changed.
bool MarkExecutable(const std::string& path);

}  // namespace mobrel
