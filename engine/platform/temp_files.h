#pragma once
// The temporary folder and unique temporary files.
#include <string>

namespace mobrel {

// $TMPDIR when it is set and not empty, else "/tmp"; always with a trailing '/'.
std::string TempDirectory();

// Creates a new, empty file with a unique name in folder (a trailing '/' is optional; an
// empty folder means the current one) whose name starts with prefix, and returns its path.
// The file exists when this returns, so no other process can take the name. Raises
// EFileError ("Cannot create file \"<folder><prefix>XXXXXX\". <reason>") on failure.
std::string MakeTempFile(const std::string& folder, const std::string& prefix = "MBZ");

// Creates a new folder, private to its owner (mode 0700), with a unique name in folder
// starting with prefix, and returns its path without a trailing '/'. Raises EFileError
// ("Cannot create folder \"<folder><prefix>XXXXXX\". <reason>") on failure.
std::string MakeTempFolder(const std::string& folder, const std::string& prefix);

}  // namespace mobrel
