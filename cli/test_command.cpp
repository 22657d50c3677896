#include "test_command.h"

#include <iostream>

#include "command_line.h"
#include "entry_failures.h"
#include "password_prompt.h"
#include "progress_bar.h"
#include "reader/un_zipper.h"
#include "subcommand.h"

namespace mobrel::cli {

const char* const kTestSummary = "check every entry of an archive without writing anything";
const char* const kTestUsage =
    "usage: mobrel-cli test ARCHIVE [-P PASSWORD]\n"
    "\n"
    "Decodes every entry and checks it against its CRC-32. Problems are listed on standard\n"
    "error; the exit status is 1 when an entry failed (bad CRC, wrong password).\n"
    "  -P PASSWORD  the password of encrypted entries (asked for on a terminal otherwise)\n";

int RunTest(const std::vector<std::string>& args) {
    const CommandLine line(args, {{"-P", true}});
    if (line.Positional().size() != 1) {
        throw UsageError(line.Positional().empty() ? "an archive is needed"
                                                   : "only one archive can be tested");
    }
    const std::string& archive = line.Positional()[0];
    TUnZipper zipper;
    zipper.SetIncompleteZipMode(izAssumeBad);
    zipper.SetZipName(archive);
    zipper.ReadZip();
    PasswordPrompt prompt;
    UsePasswordOption(zipper, line, prompt);
    EntryFailures failures("test");
    failures.Attach(zipper);
    int passed = 0;
    zipper.OnEndUnZip = [&](TUnZipper&, int, const std::string&) { ++passed; };
    ProgressBar bar("testing");
    bar.Attach(zipper);
    zipper.SetDoAll(true);
    if (zipper.Count() > 0) {
        zipper.TestEntries(-1);
    }
    bar.Finish();
    std::cout << passed << (passed == 1 ? " file" : " files") << " OK";
    if (failures.Count() > 0) {
        std::cout << ", " << failures.Count() << " failed";
    }
    std::cout << " in " << archive << '\n';
    return failures.Count() > 0 ? kExitPartial : kExitOk;
}

}  // namespace mobrel::cli
