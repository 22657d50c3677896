#include "delete_command.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "command_line.h"
#include "platform/engine_errors.h"
#include "subcommand.h"
#include "writer/zipper.h"

namespace mobrel::cli {

const char* const kDeleteSummary = "delete entries from an archive";
const char* const kDeleteUsage =
    "usage: mobrel-cli delete ARCHIVE PATTERN...\n"
    "\n"
    "Deletes the entries PATTERN names. A plain name (folders joined with '/') deletes one\n"
    "entry; a pattern with wildcards deletes every entry it matches (without a '/' it is\n"
    "matched against the file name only). Names compare without regard to case.\n";

int RunDelete(const std::vector<std::string>& args) {
    const CommandLine line(args, {});
    if (line.Positional().size() < 2) {
        throw UsageError(line.Positional().empty() ? "an archive is needed"
                                                   : "name at least one entry to delete");
    }
    const std::string& archive = line.Positional()[0];
    std::error_code error;
    // The engine would make an empty archive of a name that doesn't exist yet.
    if (!std::filesystem::is_regular_file(archive, error)) {
        throw EFileError("Cannot open file \"" + archive + "\". No such archive");
    }
    TZipper zipper;
    zipper.SetZipName(archive);
    zipper.FilesList() = {line.Positional().begin() + 1, line.Positional().end()};
    const int count = zipper.DeleteEntries();
    std::cout << count << (count == 1 ? " entry" : " entries") << " deleted from " << archive
              << '\n';
    if (count == 0) {
        std::cerr << "mobrel-cli delete: no entry matched\n";
        return kExitPartial;
    }
    return kExitOk;
}

}  // namespace mobrel::cli
