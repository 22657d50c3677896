#pragma once
// The archive the user last opened or wrote, kept in the user's settings: the next start
// lists it again, or at least shows its folder.
#include <string>

// The name kept, or empty when none was.
std::string LastFilename();
void SaveLastFilename(const std::string& name);
