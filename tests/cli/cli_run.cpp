#include "cli_run.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <stdexcept>

#include "test_support.h"

namespace mobrel::test {

namespace {

std::string ReadTextFile(const std::filesystem::path& file) {
    const std::vector<uint8_t> bytes = ReadFileBytes(file);
    return std::string(bytes.begin(), bytes.end());
}

int ExitStatusOf(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Reads what the program shows until marker appears (an empty marker: until it closes the
// terminal). The poll limit only keeps a hung program from hanging the suite.
bool ReadScreen(int controller, std::string& screen, const std::string& marker) {
    const size_t from = screen.size();
    while (marker.empty() || screen.find(marker, from) == std::string::npos) {
        pollfd ready{controller, POLLIN, 0};
        if (poll(&ready, 1, 60000) <= 0) {
            return false;
        }
        char chunk[1024];
        const ssize_t got = read(controller, chunk, sizeof chunk);
        if (got <= 0) {
            return marker.empty();
        }
        screen.append(chunk, static_cast<size_t>(got));
    }
    return true;
}

[[noreturn]] void RunOnTerminal(const std::string& terminalName,
                                const std::vector<std::string>& args,
                                const std::filesystem::path& workDir) {
    setsid();
    const int terminal = open(terminalName.c_str(), O_RDWR);
    if (terminal < 0 || ioctl(terminal, TIOCSCTTY, 0) != 0) {
        _exit(126);
    }
    for (int fd = 0; fd < 3; ++fd) {
        dup2(terminal, fd);
    }
    if (terminal > 2) {
        close(terminal);
    }
    if (!workDir.empty() && chdir(workDir.c_str()) != 0) {
        _exit(126);
    }
    std::vector<char*> argv;
    std::string program = MOBREL_CLI_PATH;
    argv.push_back(program.data());
    std::vector<std::string> words = args;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

}  // namespace

CliRun RunCli(const std::vector<std::string>& args, const std::filesystem::path& workDir) {
    TempDir streams;
    // A group, so the redirections of RunCommand apply around ours, not instead of them.
    std::string command = "{ ";
    if (!workDir.empty()) {
        command += "cd " + ShellQuote(workDir.string()) + " && ";
    }
    command += ShellQuote(MOBREL_CLI_PATH);
    for (const std::string& arg : args) {
        command += " " + ShellQuote(arg);
    }
    command += " </dev/null >" + ShellQuote((streams / "out").string()) + " 2>" +
               ShellQuote((streams / "err").string()) + "; }";
    CliRun run;
    run.Status = RunCommand(command).ExitCode;
    run.Out = ReadTextFile(streams / "out");
    run.Err = ReadTextFile(streams / "err");
    return run;
}

CliRun RunCliOnTerminal(const std::vector<std::string>& args,
                        const std::vector<std::pair<std::string, std::string>>& answers,
                        const std::filesystem::path& workDir) {
    const int controller = posix_openpt(O_RDWR | O_NOCTTY);
    if (controller < 0 || grantpt(controller) != 0 || unlockpt(controller) != 0) {
        throw std::runtime_error("no pseudo-terminal");
    }
    const std::string terminalName = ptsname(controller);
    const pid_t child = fork();
    if (child == 0) {
        close(controller);
        RunOnTerminal(terminalName, args, workDir);
    }
    CliRun run;
    for (const auto& [expected, keys] : answers) {
        if (!ReadScreen(controller, run.Out, expected)) {
            break;
        }
        if (write(controller, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size())) {
            break;
        }
    }
    if (!ReadScreen(controller, run.Out, "")) {
        kill(child, SIGKILL);  // hung waiting for an answer never given
    }
    close(controller);
    run.Status = ExitStatusOf(child);
    return run;
}

}  // namespace mobrel::test
