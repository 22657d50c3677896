// The Unzip page's test of the current archive, and the closing message of its runs:
// extraction, test and repair say how many entries they left out and why.
#include <algorithm>

#include "form_run_summary.h"
#include "run_summary_text.h"
#include "show_message.h"
#include "unzip_page.h"
#include "writer/zipper.h"

void TUnzipPage::TestArchive() {
    BeginReadingRun(engine_.ZipName());
    int passed = 0;
    const bool doAll = engine_.DoAll();
    // Only for this run: OnEndUnZip fires once for each file that decoded with its CRC.
    engine_.OnEndUnZip = [&passed](mobrel::TUnZipper&, int, const std::string&) { ++passed; };
    engine_.SetDoAll(true);
    try {
        host_.RunEngineOperation([this] {
            if (engine_.Count() > 0) {
                engine_.TestEntries(-1);
            }
        });
    } catch (...) {
        engine_.OnEndUnZip = nullptr;
        engine_.SetDoAll(doAll);
        throw;
    }
    engine_.OnEndUnZip = nullptr;
    engine_.SetDoAll(doAll);
    ReportRun("Tested " + std::to_string(passed) + " files, all OK.",
              "Tested " + std::to_string(passed + failures_.Count()) + " files, " +
                  std::to_string(passed) + " OK");
}

void TUnzipPage::ReportRun(const std::string& allWell, const std::string& done) {
    if (failures_.Count() == 0) {
        ShowMessage(allWell);
        return;
    }
    // Workers may report a later entry's skip before an earlier entry's bad CRC; the
    // user reads them in the list's order.
    std::vector<mobrel::TEntryFailure> failures = failures_.Failures();
    std::stable_sort(failures.begin(), failures.end(),
                     [](const auto& a, const auto& b) { return a.Index < b.Index; });
    const std::string text = done + "; " + FailureSummary(failures) + ".";
    TFormRunSummary summary(
        text, std::move(failures),
        [this](QDialog& window) { return host_.ShowModalWindow(window); }, this);
    host_.ShowModalWindow(summary);
}

// The engine reports a declined password as a wrong one, and a file the user chose to keep
// as one not replaced (the page has the engine ask before replacing).
void TUnzipPage::NoteUserSkips(mobrel::TEntryFailure& failure) {
    if (!failure.Skip) {
        return;
    }
    const bool declinedPassword = *failure.Skip == mobrel::skBadPassword && passwordDeclined_;
    const bool keptFile = *failure.Skip == mobrel::skNoOverwrite && failure.Index >= 0 &&
                          engine_.OverwriteMode() == mobrel::TUZOverwriteMode::Prompt;
    if (declinedPassword || keptFile) {
        failure.Reason = kSkippedByUser;
    }
    if (*failure.Skip == mobrel::skBadPassword) {
        passwordDeclined_ = false;
    }
}
