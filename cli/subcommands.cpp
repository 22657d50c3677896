#include "subcommand.h"

namespace mobrel::cli {

const std::vector<Subcommand>& Subcommands() {
    static const std::vector<Subcommand> all = {};
    return all;
}

}  // namespace mobrel::cli
