#pragma once
// mobrel-cli list: the entries of an archive, as the Unzip page shows them or one
// tab-separated line of every stored field per entry.
#include <ostream>
#include <string>
#include <vector>

#include "platform/names_code_page.h"

namespace mobrel::cli {

extern const char* const kListSummary;
extern const char* const kListUsage;

// Writes the listing of archive to out. Engine errors propagate as exceptions.
int ListArchive(const std::string& archive, bool verbose, std::ostream& out,
                TNamesCodePage namesCodePage = TNamesCodePage::Cp437);
// The subcommand: "list [-v] [-O CODEPAGE] ARCHIVE".
int RunList(const std::vector<std::string>& args);

}  // namespace mobrel::cli
