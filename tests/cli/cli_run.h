#pragma once
// Running the built mobrel-cli from the end-to-end tests, with its standard output, its
// standard error and its exit status kept apart.
#include <filesystem>
#include <string>
#include <vector>

namespace mobrel::test {

struct CliRun {
    int Status = -1;
    std::string Out;  // standard output
    std::string Err;  // standard error
};

// Runs mobrel-cli with args (each passed as one word) in folder workDir (the test's current
// folder when empty), standard input from /dev/null so no prompt can wait.
CliRun RunCli(const std::vector<std::string>& args, const std::filesystem::path& workDir = {});

// Runs mobrel-cli on a pseudo-terminal: each answer is typed after the text before it has
// appeared on the screen. Status and everything the terminal showed (in Out).
CliRun RunCliOnTerminal(const std::vector<std::string>& args,
                        const std::vector<std::pair<std::string, std::string>>& answers,
                        const std::filesystem::path& workDir = {});

}  // namespace mobrel::test
