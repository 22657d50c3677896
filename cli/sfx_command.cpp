#include "sfx_command.h"

#include <iostream>

#include "add_command.h"
#include "command_line.h"
#include "platform/file_helpers.h"
#include "platform/host_path.h"
#include "platform/running_program.h"
#include "platform/wildcard_match.h"
#include "progress_bar.h"
#include "subcommand.h"
#include "unmatched_files.h"
#include "writer/sfx_config.h"
#include "writer/zipper.h"

namespace mobrel::cli {

const char* const kSfxSummary = "make a self-extracting program";
const char* const kSfxUsage =
    "usage: mobrel-cli sfx PROGRAM [the options of add] [--auto] [--default-path DIR]\n"
    "                      FILE-OR-SPEC...\n"
    "\n"
    "Writes PROGRAM: the self-extractor stub installed beside mobrel-cli, its settings and\n"
    "an archive of the files, marked executable. An existing program is rewritten with the\n"
    "new stub and settings and keeps its files; an existing ARCHIVE.zip is only read, and\n"
    "the program goes beside it as ARCHIVE.exe. The program asks before it extracts unless\n"
    "made with --auto; 'PROGRAM --help' lists its own options.\n"
    "  --auto              extract without asking, also where there is no terminal\n"
    "  --default-path DIR  the folder the program extracts into (its current folder\n"
    "                      otherwise)\n"
    "The options of add (mobrel-cli add --help) choose and compress the files.\n";

namespace {

const char* const kStubName = "ZipSFX32.bin";

std::string ProgramWritten(const std::string& program) {
    const bool besideZip = FileExists(program) && WildcardMatch(".zip", ExtensionPart(program));
    return besideZip ? ChangeFileExt(program, ".exe") : program;
}

void ReportProblems(TZipper& zipper, bool& problems) {
    zipper.OnSkippingFile = [&problems](TUnZipper&, TSkipReason reason, const std::string& name,
                                        int, bool&) {
        std::cerr << "mobrel-cli sfx: skipped " << name << SkippedFileReason(reason, "the program")
                  << '\n';
        problems = true;
    };
}

}  // namespace

int RunSfx(const std::vector<std::string>& args) {
    std::vector<OptionSpec> options = AddOptions();
    options.push_back({"--auto"});
    options.push_back({"--default-path", true});
    const CommandLine line(args, options);
    if (line.Positional().size() < 2) {
        throw UsageError(line.Positional().empty() ? "a program name is needed"
                                                   : "name at least one file to zip");
    }
    if (line.Has("-u") && line.Has("-f")) {
        throw UsageError("-u and -f exclude each other");
    }
    const std::string& program = line.Positional()[0];
    const std::string stub = JoinPath(FolderPart(RunningProgramPath()), kStubName);
    TSFXConfig config;
    config.AutoExtract = line.Has("--auto");
    config.DefaultPath = line.Value("--default-path").value_or("");
    config.BuildConfigBlock();

    const std::vector<std::string> typed(line.Positional().begin() + 1, line.Positional().end());
    TZipper zipper;
    ApplyAddOptions(zipper, line, typed);
    UnmatchedFiles unmatched;
    unmatched.Attach(zipper, typed);
    bool problems = false;
    ReportProblems(zipper, problems);
    const std::string written = ProgramWritten(program);
    const std::vector<uint8_t>& block = config.ConfigBlock();
    ProgressBar bar("making");
    bar.Attach(zipper);
    const int count = zipper.MakeSFX(stub, program, block.data(), static_cast<int>(block.size()));
    std::cout << count << (count == 1 ? " file" : " files") << " zipped into " << written << '\n';
    return AddExitStatus(count, problems || unmatched.Count() > 0);
}

}  // namespace mobrel::cli
