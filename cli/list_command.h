#pragma once
// mobrel-cli list: the entries of an archive, as the Unzip page shows them or one
// tab-separated line of every stored field per entry.
#include <ostream>
#include <string>
#include <vector>

namespace mobrel::cli {

extern const char* const kListSummary;
extern const char* const kListUsage;

// Writes the listing of archive to out. Engine errors propagate as exceptions.
int ListArchive(const std::string& archive, bool verbose, std::ostream& out);
// The subcommand: "list [-v] ARCHIVE".
int RunList(const std::vector<std::string>& args);

}  // namespace mobrel::cli
