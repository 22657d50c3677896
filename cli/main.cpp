// mobrel-cli: scripts and checks drive the archive engine through this program.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "command_line.h"
#include "platform/engine_errors.h"
#include "subcommand.h"

namespace {

using namespace mobrel::cli;

void PrintOverview() {
    std::printf("usage: mobrel-cli SUBCOMMAND [OPTIONS] ...\n\nsubcommands:\n");
    for (const Subcommand& sub : Subcommands()) {
        std::printf("  %-9s %s\n", sub.Name, sub.Summary);
    }
    std::printf("\n'mobrel-cli SUBCOMMAND --help' describes one subcommand.\n");
}

const Subcommand* FindSubcommand(const std::string& name) {
    for (const Subcommand& sub : Subcommands()) {
        if (name == sub.Name) {
            return &sub;
        }
    }
    return nullptr;
}

bool AsksForHelp(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") {
            return false;
        }
        if (arg == "--help" || arg == "-h") {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        PrintOverview();
        return argc < 2 ? kExitFailed : kExitOk;
    }
    const Subcommand* sub = FindSubcommand(argv[1]);
    if (sub == nullptr) {
        std::fprintf(stderr, "mobrel-cli: unknown subcommand '%s'\n", argv[1]);
        PrintOverview();
        return kExitFailed;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    if (AsksForHelp(args)) {
        std::fputs(sub->Usage, stdout);
        return kExitOk;
    }
    try {
        return sub->Run(args);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "mobrel-cli %s: %s\n%s", sub->Name, error.what(), sub->Usage);
        return kExitFailed;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mobrel-cli %s: %s\n", sub->Name, error.what());
        return kExitFailed;
    }
}
