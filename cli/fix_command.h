#pragma once
// mobrel-cli fix: the readable entries of a damaged archive copied into a new archive.
#include <string>
#include <vector>

namespace mobrel::cli {

extern const char* const kFixSummary;
extern const char* const kFixUsage;

// The subcommand: "fix ARCHIVE OUTPUT".
int RunFix(const std::vector<std::string>& args);

}  // namespace mobrel::cli
