#pragma once
// mobrel-cli extract: entries of an archive written into a folder.
#include <string>
#include <vector>

namespace mobrel::cli {

extern const char* const kExtractSummary;
extern const char* const kExtractUsage;

// The subcommand: "extract ARCHIVE [-d DIR] [-o MODE] [-j] [-P PASSWORD] [-T THREADS]
// [PATTERN...]".
int RunExtract(const std::vector<std::string>& args);

}  // namespace mobrel::cli
