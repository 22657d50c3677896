#pragma once
// An entry's name as the window shows it: folders joined with '/', as paths are written on
// Linux. The engine keeps '\' between folders; every place of the window that shows an
// entry's path or folder goes through here, and nothing converts the other way.
#include <string>

std::string ShownEntryPath(std::string entryName);
