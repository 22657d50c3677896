#pragma once
// Putting a finished file (an archive written under a temporary name) in its place.
#include <string>

namespace mobrel {

// Renames source to target, replacing an existing target in one atomic step. False, with
// both files untouched, when the two lie on different drives (different network shares)
// or the rename fails, for instance across file systems.
bool MoveFileTo(const std::string& source, const std::string& target);

// Moves source to target, or, when that fails, copies it: into a temporary file beside
// target, committed to the disk, then renamed over target, so target is always either the
// old file or the complete new one. A copy that can't be completed leaves target as it was
// and shows "Could not copy from <source> -> <target>". Source is kept after a copy.
// Raises EFileError when source can't be opened or no file can be created beside target.
void MoveOrCopyFile(const std::string& source, const std::string& target);

}  // namespace mobrel
