#include "reader/entry_failure_log.h"

#include "reader/un_zipper.h"

namespace mobrel {

namespace {

// The entry's own name where the event names one of the directory's entries; the events
// of the writer's own files name no entry.
std::string NameOf(const TUnZipper& zipper, int index, const std::string& target) {
    if (index >= 0 && index < zipper.Count()) {
        return EntryNameWithSlashes(zipper.EntryFullName(index));
    }
    return EntryNameWithSlashes(target);
}

}  // namespace

void TEntryFailureLog::Attach(TUnZipper& zipper) {
    zipper.OnBadCRC = [this](TUnZipper& sender, uint32_t calcCRC, uint32_t storedCRC, int index) {
        const std::string name = NameOf(sender, index, {});
        Add({name, name, BadCrcReason(calcCRC, storedCRC), std::nullopt, index});
    };
    zipper.OnSkippingFile = [this](TUnZipper& sender, TSkipReason reason, const std::string& target,
                                   int index, bool&) {
        Add({NameOf(sender, index, target), EntryNameWithSlashes(target),
             SkipReasonText(reason, sender.LastSkipDetail()), reason, index});
    };
}

void TEntryFailureLog::Add(TEntryFailure failure) {
    if (OnFailure) {
        OnFailure(failure);
    }
    failures_.push_back(std::move(failure));
}

}  // namespace mobrel
