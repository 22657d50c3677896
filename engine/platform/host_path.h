#pragma once
// Host paths in their native form ('/' separators) and the conversion between them and the
// engine's entry names ('\' separators). Every part of the engine that takes a host path
// apart or turns an entry name into one goes through here, so the rules live in one place.
#include <string>
#include <string_view>

namespace mobrel {

constexpr char kPathSeparator = '/';
constexpr char kEntrySeparator = '\\';

// Everything up to and including the last '/', or empty when there is none.
std::string FolderPart(std::string_view path);
// Everything after the last '/'.
std::string NamePart(std::string_view path);
// The name part's extension with its dot (".txt"), or empty. A leading dot marks a hidden
// file, not an extension: ".profile" has none, "a.tar.gz" has ".gz".
std::string ExtensionPart(std::string_view path);
// The path with its extension replaced by extension (which carries its own dot, or is empty
// to remove it).
std::string ChangeFileExt(std::string_view path, std::string_view extension);

bool HasTrailingSeparator(std::string_view path);
// An empty path stays empty: it means the current folder, never the root.
std::string IncludeTrailingSeparator(std::string_view path);
// The root "/" keeps its separator; a path made of separators only is the root.
std::string ExcludeTrailingSeparator(std::string_view path);
// folder and name joined with exactly one separator between them.
std::string JoinPath(std::string_view folder, std::string_view name);

// "//server/share" for a network path, empty otherwise (POSIX paths have no drive).
std::string DrivePart(std::string_view path);
// True for "/", for the root folder of a mounted file system, and for a bare network share
// "//server/share". A trailing separator is optional.
bool IsRootFolder(std::string_view path);

// An entry name ('\' or '/' separated) as a host path relative to the output folder:
// separators become '/', and empty, "." and ".." components are dropped so the result can
// never leave the folder it is joined to. Control characters (NUL included) become '_'.
// A trailing separator (a folder entry) is kept.
std::string EntryNameToHostPath(std::string_view entryName);
// A host path as an entry name: every '/' becomes '\'. Nothing else changes; which part of
// the path is stored is the caller's decision.
std::string HostPathToEntryName(std::string_view hostPath);

}  // namespace mobrel
