#pragma once
// Saved file lists (".zkj"): plain single-byte text with one list entry per line. Names are
// written and read as they stand, without any character set conversion.
#include <string>
#include <string_view>
#include <vector>

class TFileDialog;

// The extension the list dialogs propose, and the filter they offer.
inline constexpr std::string_view kListFileExtension = "zkj";
inline constexpr std::string_view kListFileFilter =
    "List Files|*.zkj|Text Files|*.txt|All Files|*.*";

// Readies an open or save dialog for a list file, with the list extension proposed.
void PrepareListDialog(TFileDialog& dialog, const std::string& title);

// The lines of a list file's text. A line ends at CR, at LF or at CR LF; a NUL ends the
// text; a last line without a line end still counts, and so does every empty line.
std::vector<std::string> SplitListLines(std::string_view text);
// The text written for lines: each one followed by CR LF, the last one too.
std::string JoinListLines(const std::vector<std::string>& lines);

// Reads a whole list file. Raises the engine's EFileError or EStreamError with the file
// system's reason when it can't be read; nothing is returned half-read.
std::vector<std::string> LoadFileList(const std::string& fileName);
// Writes lines to fileName, replacing the file. Raises EFileError or EStreamError on failure.
void SaveFileList(const std::string& fileName, const std::vector<std::string>& lines);
