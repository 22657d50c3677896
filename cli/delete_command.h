#pragma once
// mobrel-cli delete: entries removed from an archive by name or pattern.
#include <string>
#include <vector>

namespace mobrel::cli {

extern const char* const kDeleteSummary;
extern const char* const kDeleteUsage;

// The subcommand: "delete ARCHIVE PATTERN...".
int RunDelete(const std::vector<std::string>& args);

}  // namespace mobrel::cli
