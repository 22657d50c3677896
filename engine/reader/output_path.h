#pragma once
// Where an extracted entry goes: its stored folder placed under the destination folder.
// Whatever the stored name holds ("..", ".", absolute folders, drive prefixes such as
// "C:", either separator, control characters), the result stays inside the destination.
#include <string>
#include <string_view>

namespace mobrel {

// The output folder of an entry stored in directory (empty or ending in '\'; '/' is taken
// as a separator too) as a host path ending in '/', or empty for the current folder.
// - recreateDirs off, or no stored folder: destDir itself.
// - a leading rootDir (compared without regard to case or separator kind) is removed;
// - a drive prefix ("C:") and leading separators are dropped: an absolute stored folder
//   lies under destDir (under the current folder when destDir is empty).
std::string OutputDirFor(std::string_view destDir, std::string_view rootDir, bool recreateDirs,
                         std::string_view directory);

// The output file of an entry named fileName in outputDir (as OutputDirFor gives it). A
// name that is nothing but "." or ".." leaves outputDir itself, which no file can replace.
std::string OutputFileFor(std::string_view outputDir, std::string_view fileName);

}  // namespace mobrel
