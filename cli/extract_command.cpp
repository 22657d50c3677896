#include "extract_command.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <map>

#include "code_page_option.h"
#include "command_line.h"
#include "entry_failures.h"
#include "password_prompt.h"
#include "platform/wildcard_match.h"
#include "progress_bar.h"
#include "reader/un_zipper.h"
#include "subcommand.h"
#include "threads_option.h"

namespace mobrel::cli {

const char* const kExtractSummary = "extract entries of an archive into a folder";
const char* const kExtractUsage =
    "usage: mobrel-cli extract ARCHIVE [-d DIR] [-o prompt|always|never|newer|older] [-j]\n"
    "                          [-P PASSWORD] [-T THREADS] [-O CODEPAGE] [PATTERN...]\n"
    "\n"
    "Extracts the entries the patterns choose (every entry without a pattern) into DIR (the\n"
    "current folder by default), re-creating their folders. Patterns use *, ? and [sets],\n"
    "match the entry's whole path without regard to case, and may be typed with '/'.\n"
    "  -d DIR       the destination folder\n"
    "  -o MODE      an existing file: prompt (ask on a terminal, else keep it; the default),\n"
    "               always replace, never replace, replace when the entry is newer or older\n"
    "  -j           every file straight into DIR, without the stored folders\n"
    "  -P PASSWORD  the password of encrypted entries (asked for on a terminal otherwise)\n"
    "  -T THREADS   how many threads decode: 0 (the default) one per core, 1 one thread\n"
    "  -O CODEPAGE  the code page of names without the UTF-8 flag from MS-DOS hosts: CP437\n"
    "               (the default), CP850, CP852, CP866, CP1250, CP1251, CP1252, CP932\n"
    "               (Shift-JIS), CP936 (GBK), CP949 (EUC-KR) or CP950 (Big5)\n";

namespace {

TUZOverwriteMode OverwriteModeFrom(const std::string& text) {
    static const std::map<std::string, TUZOverwriteMode> kModes = {
        {"prompt", TUZOverwriteMode::Prompt}, {"always", TUZOverwriteMode::Always},
        {"never", TUZOverwriteMode::Never},   {"newer", TUZOverwriteMode::ifNewer},
        {"older", TUZOverwriteMode::ifOlder},
    };
    const auto found = kModes.find(text);
    if (found == kModes.end()) {
        throw UsageError("-o takes prompt, always, never, newer or older");
    }
    return found->second;
}

std::string AsEntryName(std::string pattern) {
    std::replace(pattern.begin(), pattern.end(), '/', '\\');
    return pattern;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return text;
}

bool MatchesSomeEntry(const TUnZipper& zipper, const std::string& pattern) {
    const std::string lowered = Lower(pattern);
    for (int i = 0; i < zipper.Count(); ++i) {
        if (WildcardMatch(lowered, Lower(zipper.EntryFullName(i)))) {
            return true;
        }
    }
    return false;
}

// Asks on the terminal; without one an existing file is kept.
void AskBeforeReplacing(TUnZipper& zipper) {
    if (isatty(STDIN_FILENO) == 0) {
        zipper.OnPromptForOverwrite = [](TUnZipper&, bool& overWriteIt, int, std::string&) {
            overWriteIt = false;
        };
        return;
    }
    zipper.OnPromptForOverwrite = [](TUnZipper&, bool& overWriteIt, int, std::string& name) {
        std::cerr << "replace " << name << "? [y/N] " << std::flush;
        std::string answer;
        overWriteIt = std::getline(std::cin, answer) && !answer.empty() &&
                      (answer[0] == 'y' || answer[0] == 'Y');
    };
}

}  // namespace

int RunExtract(const std::vector<std::string>& args) {
    const CommandLine line(
        args, {{"-d", true}, {"-o", true}, {"-j"}, {"-P", true}, {"-T", true}, {"-O", true}});
    if (line.Positional().empty()) {
        throw UsageError("an archive is needed");
    }
    const std::string& archive = line.Positional()[0];
    TUnZipper zipper;
    zipper.SetNamesCodePage(CodePageOption(line));
    zipper.SetIncompleteZipMode(izAssumeBad);
    zipper.SetZipName(archive);
    zipper.ReadZip();
    zipper.SetDestDir(line.Value("-d").value_or(""));
    zipper.SetRecreateDirs(!line.Has("-j"));
    zipper.SetOverwriteMode(OverwriteModeFrom(line.Value("-o").value_or("prompt")));
    AskBeforeReplacing(zipper);
    PasswordPrompt prompt;
    UsePasswordOption(zipper, line, prompt);
    UseThreadsOption(zipper, line);
    EntryFailures failures("extract");
    failures.Attach(zipper);

    const std::vector<std::string> patterns(line.Positional().begin() + 1, line.Positional().end());
    for (const std::string& pattern : patterns) {
        if (!MatchesSomeEntry(zipper, AsEntryName(pattern))) {
            failures.Report(pattern + ": no such entry");
        }
        zipper.FilesList().push_back(AsEntryName(pattern));
    }
    zipper.SetDoAll(patterns.empty());
    ProgressBar bar("extracting");
    bar.Attach(zipper);
    const int extracted = zipper.UnZip();
    bar.Finish();
    std::cout << extracted << (extracted == 1 ? " entry" : " entries") << " extracted\n";
    return failures.Count() > 0 ? kExitPartial : kExitOk;
}

}  // namespace mobrel::cli
