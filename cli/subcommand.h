#pragma once
// The subcommands of mobrel-cli. Each maps onto one engine operation.
#include <string>
#include <vector>

namespace mobrel::cli {

// Exit statuses shared by every subcommand.
enum ExitStatus : int {
    kExitOk = 0,       // everything asked for was done
    kExitPartial = 1,  // some entries were skipped or failed
    kExitFailed = 2,   // the operation failed (message on standard error)
};

struct Subcommand {
    const char* Name;
    const char* Summary;
    const char* Usage;  // full --help text
    int (*Run)(const std::vector<std::string>& args);
};

// Every subcommand the program knows, in the order --help lists them.
const std::vector<Subcommand>& Subcommands();

}  // namespace mobrel::cli
