#pragma once
// mobrel-cli add: files and wildcard specifications zipped into a new or existing archive.
#include <string>
#include <vector>

#include "command_line.h"
#include "reader/skip_reason.h"

namespace mobrel {
class TZipper;
}  // namespace mobrel

namespace mobrel::cli {

extern const char* const kAddSummary;
extern const char* const kAddUsage;

// The options add shares with the subcommands that zip files (sfx): levels, recursion,
// RootDir, the pattern lists, the zip action, the password, the path switches and whether
// links are stored as links.
std::vector<OptionSpec> AddOptions();
// Sets zipper from those options and fills its FilesList from the FILE-OR-SPEC words.
void ApplyAddOptions(TZipper& zipper, const CommandLine& line,
                     const std::vector<std::string>& filesOrSpecs);

// Why a file was skipped, as add and sfx print it after the name; alreadyIn names what the
// stored name was already in ("the archive", "the program").
std::string SkippedFileReason(TSkipReason reason, const std::string& alreadyIn);
// The closing line of add and sfx on standard output; existed tells whether the archive
// was there before the run.
void ReportZipped(int count, const std::string& archive, bool existed);

// The subcommand: "add ARCHIVE [options] FILE-OR-SPEC...".
int RunAdd(const std::vector<std::string>& args);

}  // namespace mobrel::cli
