// mobrel-cli: scripts and checks drive the archive engine through this program.
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "platform/allocator_tuning.h"
#include "platform/engine_errors.h"
#include "subcommand.h"

namespace {

using namespace mobrel::cli;

// On standard output when asked for, on standard error after a mistake.
void PrintOverview(FILE* out) {
    std::fprintf(out, "usage: mobrel-cli SUBCOMMAND [OPTIONS] ...\n\nsubcommands:\n");
    for (const Subcommand& sub : Subcommands()) {
        std::fprintf(out, "  %-9s %s\n", sub.Name, sub.Summary);
    }
    std::fprintf(out, "\n'mobrel-cli SUBCOMMAND --help' describes one subcommand.\n");
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

// A listing that could not be written (a full disk, a closed pipe) is a failure, not
// success with output missing.
bool OutputWritten(const char* subcommand) {
    std::cout.flush();
    if (std::cout.good() && std::fflush(stdout) == 0 && !std::ferror(stdout)) {
        return true;
    }
    std::fprintf(stderr, "mobrel-cli %s: could not write the output\n", subcommand);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    mobrel::KeepFreedMemoryForReuse();
    if (argc < 2) {
        PrintOverview(stderr);
        return kExitFailed;
    }
    if (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        PrintOverview(stdout);
        return kExitOk;
    }
    const Subcommand* sub = FindSubcommand(argv[1]);
    if (sub == nullptr) {
        std::fprintf(stderr, "mobrel-cli: unknown subcommand '%s'\n", argv[1]);
        PrintOverview(stderr);
        return kExitFailed;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    if (AsksForHelp(args)) {
        std::fputs(sub->Usage, stdout);
        return kExitOk;
    }
    int status = kExitFailed;
    try {
        status = sub->Run(args);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "mobrel-cli %s: %s\n%s", sub->Name, error.what(), sub->Usage);
        return kExitFailed;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mobrel-cli %s: %s\n", sub->Name, error.what());
        return kExitFailed;
    } catch (...) {
        std::fprintf(stderr, "mobrel-cli %s: unexpected failure\n", sub->Name);
        return kExitFailed;
    }
    return OutputWritten(sub->Name) ? status : kExitFailed;
}
