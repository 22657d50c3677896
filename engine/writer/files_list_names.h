#pragma once
// The forms the names of a files list take: folder entries, host paths made absolute so a
// stored name never carries "." or "..", and names compared as the archive compares them.
#include <string>
#include <string_view>
#include <vector>

namespace mobrel {

// Empty or nothing but blanks.
bool IsBlankName(std::string_view name);

// A name ending in a separator stands for a folder entry, not for the folder's files.
bool IsFolderEntryName(std::string_view name);

// path as an absolute host path without ".", ".." or repeated separators; a folder entry
// keeps its trailing '/'. Empty stays empty.
std::string AbsoluteHostPath(const std::string& path);

// Equal when the ASCII letters are folded, as entry names are compared.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// True when a pattern of the list matches: a pattern with a separator ('/' or '\') is
// matched against the whole path, any other against its last part.
bool MatchesPatternList(const std::vector<std::string>& patterns, const std::string& path);

}  // namespace mobrel
