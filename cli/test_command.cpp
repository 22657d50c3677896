#include "test_command.h"

#include <iostream>

#include "code_page_option.h"
#include "command_line.h"
#include "entry_failures.h"
#include "format/extra_field.h"
#include "format/zip_header_info.h"
#include "password_prompt.h"
#include "progress_bar.h"
#include "reader/un_zipper.h"
#include "subcommand.h"
#include "threads_option.h"

namespace mobrel::cli {

const char* const kTestSummary = "check every entry of an archive without writing anything";
const char* const kTestUsage =
    "usage: mobrel-cli test ARCHIVE [-P PASSWORD] [-T THREADS] [-O CODEPAGE]\n"
    "\n"
    "Decodes every entry and checks it against its CRC-32. Problems are listed on standard\n"
    "error; the exit status is 1 when an entry failed (bad CRC, wrong password) or has a\n"
    "damaged extra field.\n"
    "  -P PASSWORD  the password of encrypted entries (asked for on a terminal otherwise)\n"
    "  -T THREADS   how many threads decode: 0 (the default) one per core, 1 one thread\n"
    "  -O CODEPAGE  the code page of names without the UTF-8 flag from MS-DOS hosts: CP437\n"
    "               (the default), CP850, CP852, CP866, CP1250, CP1251, CP1252, CP932\n"
    "               (Shift-JIS), CP936 (GBK), CP949 (EUC-KR) or CP950 (Big5)\n";

namespace {

// An extra-field area whose lengths run past its end is not used for times, names or
// modes; the data may still be sound, so it is a problem of its own.
void ReportDamagedExtraFields(TUnZipper& zipper, EntryFailures& failures) {
    for (int i = 0; i < zipper.Count(); ++i) {
        const TZipHeaderInfo& entry = zipper.EntryInfo(i);
        if (!IsWellFormedExtraArea(entry.CentralExtra)) {
            failures.ReportEntry(entry.FullName(),
                                 "damaged extra field, its times and names are not used");
        }
    }
}

}  // namespace

int RunTest(const std::vector<std::string>& args) {
    const CommandLine line(args, {{"-P", true}, {"-T", true}, {"-O", true}});
    if (line.Positional().size() != 1) {
        throw UsageError(line.Positional().empty() ? "an archive is needed"
                                                   : "only one archive can be tested");
    }
    const std::string& archive = line.Positional()[0];
    TUnZipper zipper;
    zipper.SetNamesCodePage(CodePageOption(line));
    zipper.SetIncompleteZipMode(izAssumeBad);
    zipper.SetZipName(archive);
    zipper.ReadZip();
    PasswordPrompt prompt;
    UsePasswordOption(zipper, line, prompt);
    UseThreadsOption(zipper, line);
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
    ReportDamagedExtraFields(zipper, failures);
    std::cout << passed << (passed == 1 ? " file" : " files") << " OK";
    if (failures.Count() > 0) {
        std::cout << ", " << failures.Count() << " failed";
    }
    std::cout << " in " << archive << '\n';
    return failures.Count() > 0 ? kExitPartial : kExitOk;
}

}  // namespace mobrel::cli
