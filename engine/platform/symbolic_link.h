#pragma once
// Symbolic links as names in a folder: whether a name is one (never following it), what it
// points to, and making one. Extraction looks at every name it writes through these.
#include <optional>
#include <string>

namespace mobrel {

// True when path names a symbolic link itself (its last component is not followed).
bool IsSymbolicLink(const std::string& path);
// True when anything at all has the name: a file, a folder, a link (dangling or not).
bool NameExists(const std::string& path);
// True when the name is a folder itself, not a link to one.
bool IsRealFolder(const std::string& path);
// The text of the link at path as the link holds it (not resolved); nothing when path is
// no link or can't be read.
std::optional<std::string> LinkTarget(const std::string& path);
// True when path is a symbolic link whose target does not exist.
bool IsDanglingLink(const std::string& path);
// Makes path a symbolic link holding target; false when the name is taken or the folder
// refuses it.
bool CreateSymbolicLink(const std::string& target, const std::string& path);
// Removes the name itself when it is no folder (a link goes, whatever it points to);
// false when something is still there.
bool RemoveName(const std::string& path);

}  // namespace mobrel
