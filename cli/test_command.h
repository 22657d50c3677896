#pragma once
// mobrel-cli test: every entry decoded and checked against its CRC, nothing written.
#include <string>
#include <vector>

namespace mobrel::cli {

extern const char* const kTestSummary;
extern const char* const kTestUsage;

// The subcommand: "test ARCHIVE [-P PASSWORD] [-T THREADS]".
int RunTest(const std::vector<std::string>& args);

}  // namespace mobrel::cli
