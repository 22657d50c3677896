#pragma once
// mobrel-cli sfx: a self-extracting program made of the stub installed beside mobrel-cli,
// a configuration block and an archive of the given files.
#include <string>
#include <vector>

namespace mobrel::cli {

extern const char* const kSfxSummary;
extern const char* const kSfxUsage;

// The subcommand: "sfx PROGRAM [options of add] [--auto] [--default-path DIR] FILE-OR-SPEC...".
int RunSfx(const std::vector<std::string>& args);

}  // namespace mobrel::cli
