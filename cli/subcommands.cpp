#include "subcommand.h"

#include "list_command.h"

namespace mobrel::cli {

const std::vector<Subcommand>& Subcommands() {
    static const std::vector<Subcommand> all = {
        {"list", kListSummary, kListUsage, RunList},
    };
    return all;
}

}  // namespace mobrel::cli
