#include "fix_command.h"

#include <iostream>

#include "command_line.h"
#include "subcommand.h"
#include "writer/zipper.h"

namespace mobrel::cli {

const char* const kFixSummary = "copy every readable entry of a damaged archive";
const char* const kFixUsage =
    "usage: mobrel-cli fix ARCHIVE OUTPUT\n"
    "\n"
    "Reads ARCHIVE (from its local headers when its directory is missing), tests every\n"
    "entry, and copies those that pass, unchanged, into the new archive OUTPUT. ARCHIVE\n"
    "itself is left as it is.\n";

int RunFix(const std::vector<std::string>& args) {
    const CommandLine line(args, {});
    if (line.Positional().size() != 2) {
        throw UsageError("an archive and an output name are needed");
    }
    const std::string& archive = line.Positional()[0];
    const std::string& output = line.Positional()[1];
    TZipper zipper;
    // Each entry's test ends its own run: a run that extracted nothing is an entry lost.
    int failed = 0;
    zipper.OnUnZipComplete = [&](TUnZipper&, int fileCount) { failed += fileCount == 0 ? 1 : 0; };
    zipper.OnBadCRC = [](TUnZipper& sender, uint32_t, uint32_t, int index) {
        std::cerr << "mobrel-cli fix: " << sender.EntryFullName(index)
                  << " fails its CRC check and is left out\n";
    };
    const int copied = zipper.FixZip(archive, output);
    std::cout << copied << (copied == 1 ? " entry" : " entries") << " copied into " << output
              << '\n';
    if (failed > 0) {
        std::cerr << "mobrel-cli fix: " << failed << (failed == 1 ? " entry" : " entries")
                  << " could not be read and " << (failed == 1 ? "was" : "were") << " left out\n";
        return kExitPartial;
    }
    return kExitOk;
}

}  // namespace mobrel::cli
