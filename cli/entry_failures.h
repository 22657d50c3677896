#pragma once
// The per-entry problems of an extraction or test run, one line each on standard error,
// and their count for the exit status: bad CRCs and skipped entries (wrong password, a file
// not replaced, a file that could not be created, a link leading out of the destination).
#include <string>

namespace mobrel {
class TUnZipper;
}  // namespace mobrel

namespace mobrel::cli {

class EntryFailures {
  public:
    explicit EntryFailures(std::string subcommand) : subcommand_(std::move(subcommand)) {}

    // Answers the component's OnBadCRC and OnSkippingFile; must outlive its operations.
    void Attach(TUnZipper& zipper);
    int Count() const { return count_; }
    // Reports a problem found outside the engine's events (a pattern naming no entry).
    void Report(const std::string& message);
    // The same for one entry: "<name>: <problem>", the name with '/' between folders.
    void ReportEntry(const std::string& entryName, const std::string& problem);

  private:
    std::string subcommand_;
    int count_ = 0;
};

}  // namespace mobrel::cli
