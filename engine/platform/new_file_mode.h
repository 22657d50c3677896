#pragma once
// Permissions for files written under a temporary name.
#include <string>

namespace mobrel {

// Gives path the permissions a newly created file gets (0666 less the umask). Temporary
// files are made private (0600), which a finished archive put in place must not keep.
// False when they can't be changed.
bool GiveNewFileMode(const std::string& path);

}  // namespace mobrel
