#include "comment_command.h"

#include <algorithm>
#include <iostream>

#include "command_line.h"
#include "platform/engine_errors.h"
#include "reader/incomplete_zip_mode.h"
#include "subcommand.h"
#include "writer/files_list_names.h"
#include "writer/zipper.h"

namespace mobrel::cli {

const char* const kCommentSummary = "set the archive comment or an entry's comment";
const char* const kCommentUsage =
    "usage: mobrel-cli comment ARCHIVE [--entry NAME] TEXT\n"
    "\n"
    "Sets the archive comment to TEXT, or with --entry the comment of the entry NAME\n"
    "(folders joined with '/'). An empty TEXT removes the comment.\n";

namespace {

int FindEntry(const TZipper& zipper, std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    for (int i = 0; i < zipper.Count(); ++i) {
        if (EqualsIgnoringAsciiCase(zipper.EntryFullName(i), name)) {
            return i;
        }
    }
    return -1;
}

}  // namespace

int RunComment(const std::vector<std::string>& args) {
    const CommandLine line(args, {{"--entry", true}});
    if (line.Positional().size() != 2) {
        throw UsageError(line.Positional().size() < 2 ? "an archive and a text are needed"
                                                      : "give the comment as one argument");
    }
    const std::string& archive = line.Positional()[0];
    const std::string& text = line.Positional()[1];
    TZipper zipper;
    zipper.SetIncompleteZipMode(izAssumeNotAZip);
    zipper.SetZipName(archive);
    zipper.ReadZip();
    if (const auto entry = line.Value("--entry")) {
        const int index = FindEntry(zipper, *entry);
        if (index < 0) {
            throw EListError("No entry \"" + *entry + "\" in " + archive);
        }
        zipper.SetEntryComment(index, text);
    } else {
        zipper.SetZipComment(text);
    }
    zipper.SaveModifiedZipFile();
    return kExitOk;
}

}  // namespace mobrel::cli
