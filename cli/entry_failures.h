#pragma once
// The per-entry problems of an extraction or test run, one line each on standard error as
// they happen, and their count for the exit status. The engine words them (bad CRCs and
// skipped entries: wrong password, a file not replaced or not written, a link leading out of
// the destination), as it does for the window.
#include <string>

#include "reader/entry_failure_log.h"

namespace mobrel {
class TUnZipper;
}  // namespace mobrel

namespace mobrel::cli {

class EntryFailures {
  public:
    explicit EntryFailures(std::string subcommand);

    // Answers the component's OnBadCRC and OnSkippingFile; must outlive its operations.
    void Attach(TUnZipper& zipper) { log_.Attach(zipper); }
    int Count() const { return log_.Count(); }
    // Reports a problem found outside the engine's events (a pattern naming no entry).
    void Report(const std::string& message);
    // The same for one entry: "<name>: <problem>", the name with '/' between folders.
    void ReportEntry(const std::string& entryName, const std::string& problem);

  private:
    std::string subcommand_;
    TEntryFailureLog log_;
};

}  // namespace mobrel::cli
