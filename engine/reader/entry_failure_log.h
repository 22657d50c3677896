#pragma once
// The entries a component's runs did not deliver, gathered from its OnBadCRC and
// OnSkippingFile events in the order they fired, each with its reason in words.
#include <functional>
#include <vector>

#include "reader/entry_failure.h"

namespace mobrel {

class TUnZipper;

class TEntryFailureLog {
  public:
    // Answers the component's OnBadCRC and OnSkippingFile; must outlive its operations.
    void Attach(TUnZipper& zipper);
    const std::vector<TEntryFailure>& Failures() const { return failures_; }
    int Count() const { return static_cast<int>(failures_.size()); }
    void Clear() { failures_.clear(); }
    // Logs a failure found outside the events (a name that chose no entry).
    void Add(TEntryFailure failure);

    // Runs for each failure before it is logged; the handler may reword it.
    std::function<void(TEntryFailure& failure)> OnFailure;

  private:
    std::vector<TEntryFailure> failures_;
};

}  // namespace mobrel
