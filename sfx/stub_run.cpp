#include "stub_run.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "command_line.h"
#include "console.h"
#include "console_services.h"
#include "password_prompt.h"
#include "platform/engine_errors.h"
#include "platform/file_helpers.h"
#include "platform/host_path.h"
#include "platform/running_program.h"
#include "reader/entry_failure.h"
#include "self_archive.h"
#include "subcommand.h"

namespace mobrel::sfx {

using cli::CommandLine;
using cli::kExitFailed;
using cli::kExitOk;
using cli::kExitPartial;
using cli::UsageError;

namespace {

const char* const kUsage =
    "usage: %s [-y] [-d DIR] [-o prompt|always|never] [-n] [-P PASSWORD] [PATTERN...]\n"
    "       %s -l\n"
    "\n"
    "Extracts the files this program carries. On a terminal it shows its information,\n"
    "lets you change what its maker allows and asks before extracting; without a terminal\n"
    "it extracts only when made to extract automatically or when run with -y.\n"
    "\n"
    "  -y           ask no questions: extract at once (existing files are kept unless the\n"
    "               program says to replace them or -o always is given)\n"
    "  -d DIR       extract into DIR instead of the program's default folder\n"
    "  -o MODE      what to do with existing files, when the program lets you choose\n"
    "  -n           do not run the program's command after extracting, when it lets you\n"
    "  -P PASSWORD  the password of encrypted files\n"
    "  -l           list the files and extract nothing\n"
    "  PATTERN      extract only matching files, when the program lets you choose\n";

// Refusals of a run before anything is extracted.
class EStubRefusal : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct TPlan {
    std::string DestDir;
    TsfxOverwriteMode Overwrite = omAlways;
    std::vector<std::string> Patterns;
    bool RunCommand = true;
    bool MayAsk = false;  // questions go to the terminal
};

TUZOverwriteMode EngineOverwriteMode(TsfxOverwriteMode mode) {
    switch (mode) {
        case omPrompt:
            return TUZOverwriteMode::Prompt;
        case omNever:
            return TUZOverwriteMode::Never;
        case omAlways:
            break;
    }
    return TUZOverwriteMode::Always;
}

std::optional<TsfxOverwriteMode> ParseOverwriteMode(const std::string& text) {
    if (text == "prompt") {
        return omPrompt;
    }
    if (text == "always") {
        return omAlways;
    }
    if (text == "never") {
        return omNever;
    }
    return std::nullopt;
}

std::string OverwriteModeName(TsfxOverwriteMode mode) {
    return mode == omPrompt ? "prompt" : mode == omNever ? "never" : "always";
}

std::vector<std::string> SplitPatterns(const std::string& text) {
    std::vector<std::string> patterns;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        end = end == std::string::npos ? text.size() : end;
        const std::string piece = text.substr(start, end - start);
        if (!piece.empty() && piece != "*") {
            patterns.push_back(piece);
        }
        start = end + 1;
    }
    return patterns;
}

// The plan from the command line alone, refusing what the maker does not allow.
TPlan PlanFromCommandLine(const CommandLine& line, const TSFXSettings& settings) {
    TPlan plan;
    plan.DestDir = line.Value("-d").value_or(settings.DefaultPath);
    if (plan.DestDir.empty()) {
        plan.DestDir = ".";
    }
    plan.Overwrite = settings.OverwriteMode;
    if (const auto mode = line.Value("-o")) {
        if (!settings.UserCanChangeOverwrite) {
            throw EStubRefusal(
                "this program does not let you change how existing files are "
                "treated (it uses '" +
                OverwriteModeName(settings.OverwriteMode) + "')");
        }
        const auto parsed = ParseOverwriteMode(*mode);
        if (!parsed) {
            throw UsageError("-o takes prompt, always or never");
        }
        plan.Overwrite = *parsed;
    }
    plan.Patterns = line.Positional();
    if (!plan.Patterns.empty() && !settings.UserCanChooseFiles) {
        throw EStubRefusal("this program extracts all its files; it does not let you choose");
    }
    if (line.Has("-n") && !settings.CmdLine.empty()) {
        if (!settings.UserCanDisableCmdLine) {
            throw EStubRefusal("this program does not let you skip its command");
        }
        plan.RunCommand = false;
    }
    plan.MayAsk = !line.Has("-y") && !settings.AutoExtract;
    return plan;
}

void ShowInformation(const TSFXSettings& settings) {
    if (!settings.InfoTitle.empty()) {
        std::cout << settings.InfoTitle << "\n\n";
    }
    if (!settings.InfoText.empty()) {
        std::string text = settings.InfoText;
        std::erase(text, '\r');
        std::cout << text << (text.back() == '\n' ? "\n" : "\n\n");
    }
    std::cout.flush();
}

// The questions of an interactive run; false when the user cancels.
bool AskForChanges(TPlan& plan, const CommandLine& line, const TSFXSettings& settings,
                   int entryCount) {
    ShowInformation(settings);
    if (!line.Has("-d")) {
        plan.DestDir = AskLine("Extract to", plan.DestDir);
    }
    if (settings.UserCanChooseFiles && plan.Patterns.empty()) {
        plan.Patterns = SplitPatterns(AskLine("Files to extract (patterns separated by ';')", "*"));
    }
    if (settings.UserCanChangeOverwrite && !line.Has("-o")) {
        for (;;) {
            const auto mode = ParseOverwriteMode(AskLine("Existing files: prompt, always or never",
                                                         OverwriteModeName(plan.Overwrite)));
            if (mode) {
                plan.Overwrite = *mode;
                break;
            }
        }
    }
    const std::string what = plan.Patterns.empty() ? "all " + std::to_string(entryCount) + " files"
                                                   : "the matching files";
    return AskYesNo("Extract " + what + " into " + plan.DestDir + "?", false);
}

// Reports per-entry problems as they happen and counts them.
void WatchEntries(TSelfArchive& archive, const TPlan& plan, int& problems) {
    archive.OnEndUnZip = [](TUnZipper&, int, const std::string& fName) {
        std::cout << "  " << fName << '\n';
    };
    archive.OnSkippingFile = [&problems](TUnZipper& sender, TSkipReason reason,
                                         const std::string& fName, int, bool&) {
        ++problems;
        // The engine's own words, so a refused link says where it pointed and why.
        std::cerr << "skipped " << fName << ": "
                  << (reason == skNoOverwrite ? std::string("an existing file was kept")
                                              : SkipReasonText(reason, sender.LastSkipDetail()))
                  << '\n';
    };
    archive.OnBadCRC = [&problems](TUnZipper& sender, uint32_t, uint32_t, int index) {
        ++problems;
        std::cerr << sender.EntryFullName(index) << ": damaged (CRC error), not extracted\n";
    };
    const bool mayAsk = plan.MayAsk;
    archive.OnPromptForOverwrite = [mayAsk](TUnZipper&, bool& overWriteIt, int,
                                            std::string& fName) {
        overWriteIt = mayAsk && AskYesNo("Replace existing file " + fName + "?", false);
    };
}

int Extract(TSelfArchive& archive, const TPlan& plan) {
    if (!ForceDirectories(plan.DestDir)) {
        throw EStubRefusal("cannot create the folder " + plan.DestDir);
    }
    int problems = 0;
    WatchEntries(archive, plan, problems);
    archive.SetDestDir(plan.DestDir);
    archive.SetRecreateDirs(true);
    archive.SetOverwriteMode(EngineOverwriteMode(plan.Overwrite));
    archive.SetDoAll(plan.Patterns.empty());
    for (const std::string& pattern : plan.Patterns) {
        archive.FilesList().push_back(HostPathToEntryName(pattern));
    }
    const int count = archive.UnZip();
    std::cout << "Extracted " << count << (count == 1 ? " file" : " files") << " into "
              << plan.DestDir << ".\n";
    return problems;
}

// Runs the maker's command through the shell inside the destination folder.
bool RunMakersCommand(const std::string& command, const std::string& folder) {
    std::cout << "Running: " << command << '\n';
    std::cout.flush();
    const pid_t child = fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        if (chdir(folder.c_str()) == 0) {
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        }
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool ShouldRunCommand(const TPlan& plan, const TSFXSettings& settings) {
    if (settings.CmdLine.empty() || !plan.RunCommand) {
        return false;
    }
    if (plan.MayAsk && settings.UserCanDisableCmdLine) {
        return AskYesNo("Run \"" + settings.CmdLine + "\" now?", true);
    }
    return true;
}

void ListEntries(TSelfArchive& archive) {
    for (int i = 0; i < archive.Count(); ++i) {
        std::string name = archive.EntryFullName(i);
        std::replace(name.begin(), name.end(), kEntrySeparator, kPathSeparator);
        std::cout << archive.EntryUncompressedSize(i) << '\t' << name << '\n';
    }
}

int Run(const CommandLine& line) {
    TSelfArchive archive(RunningProgramPath());
    const TSFXSettings settings = archive.ReadSettings().value_or(TSFXSettings{});
    std::cout << settings.Caption << "\n\n";
    if (line.Has("-l")) {
        ListEntries(archive);
        return kExitOk;
    }
    TPlan plan = PlanFromCommandLine(line, settings);
    // Without questions a wrong or missing password skips the entry.
    cli::PasswordPrompt prompt;
    if (plan.MayAsk || line.Has("-P")) {
        cli::UsePasswordOption(archive, line, prompt);
    }
    TConsoleServices console;
    if (plan.MayAsk) {
        if (!StdinIsTerminal()) {
            throw EStubRefusal(
                "this program asks before extracting and there is no terminal to ask on; "
                "run it with -y to extract without questions");
        }
        InstallServices(&console);
        if (!AskForChanges(plan, line, settings, archive.Count())) {
            InstallServices(nullptr);
            throw EStubRefusal("cancelled");
        }
    }
    int problems = 0;
    try {
        problems = Extract(archive, plan);
    } catch (...) {
        InstallServices(nullptr);
        throw;
    }
    InstallServices(nullptr);
    if (ShouldRunCommand(plan, settings) && !RunMakersCommand(settings.CmdLine, plan.DestDir)) {
        std::cerr << "the command \"" << settings.CmdLine << "\" failed\n";
        ++problems;
    }
    return problems == 0 ? kExitOk : kExitPartial;
}

}  // namespace

int RunStub(const std::string& programName, const std::vector<std::string>& args) {
    const std::string name = NamePart(programName);
    try {
        const CommandLine line(
            args,
            {{"-d", true}, {"-o", true}, {"-P", true}, {"-y"}, {"-l"}, {"-n"}, {"-h"}, {"--help"}});
        if (line.Has("--help") || line.Has("-h")) {
            std::printf(kUsage, name.c_str(), name.c_str());
            return kExitOk;
        }
        return Run(line);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), error.what());
        std::fprintf(stderr, kUsage, name.c_str(), name.c_str());
    } catch (const EStubRefusal& error) {
        std::fprintf(stderr, "%s: nothing was extracted: %s.\n", name.c_str(), error.what());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), error.what());
    }
    return kExitFailed;
}

}  // namespace mobrel::sfx
