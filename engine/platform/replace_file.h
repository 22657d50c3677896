#pragma once
// Putting a finished file in the place of another.
#include <string>

namespace mobrel {

// Moves source to target, replacing target if it exists. On one file system this is a
// single atomic rename. Across file systems source is copied to a temporary file in
// target's folder, committed to the disk, and renamed over target; source is removed only
// after that. At every moment, also after a crash, target is either the old file or the
// complete new one.
//
// Returns true when target now holds source's content (source is gone, unless it could not
// be removed after a copy). Returns false, and raises nothing, when target could not be
// replaced: then target is unchanged, source is kept and no temporary file is left.
bool ReplaceFile(const std::string& source, const std::string& target);

}  // namespace mobrel
