#include "run_summary_text.h"

#include <utility>

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::string KindOfSkip(mobrel::TSkipReason reason, const std::string& text) {
    switch (reason) {
        case mobrel::skBadPassword:
            return "wrong password";
        case mobrel::skNoOverwrite:
            return "not replaced";
        case mobrel::skOpenError:
        case mobrel::skCreateError:
            return "could not be written";
        case mobrel::skDanglingLink:
        case mobrel::skUnsafeLink:
            return "unsafe path or link refused";
        case mobrel::skUnsupportedMethod:
            return "unsupported method";
        case mobrel::skDamagedData:
            return StartsWith(text, "authentication failed") ? "authentication failed"
                                                             : "damaged data";
    }
    return "skipped";
}

}  // namespace

std::string FailureKind(const mobrel::TEntryFailure& failure) {
    if (failure.Reason == kSkippedByUser) {
        return kSkippedByUser;
    }
    if (failure.Skip) {
        return KindOfSkip(*failure.Skip, failure.Reason);
    }
    return StartsWith(failure.Reason, "bad CRC") ? "bad CRC" : "damaged data";
}

// Kinds in the order they first occur, so the summary reads as the run went.
std::string FailureSummary(const std::vector<mobrel::TEntryFailure>& failures) {
    std::vector<std::pair<std::string, int>> kinds;
    for (const mobrel::TEntryFailure& failure : failures) {
        const std::string kind = FailureKind(failure);
        auto known = kinds.begin();
        while (known != kinds.end() && known->first != kind) {
            ++known;
        }
        if (known == kinds.end()) {
            kinds.emplace_back(kind, 1);
        } else {
            ++known->second;
        }
    }
    std::string text =
        std::to_string(failures.size()) +
        (failures.size() == 1 ? " failed or was skipped: " : " failed or were skipped: ");
    for (size_t i = 0; i < kinds.size(); ++i) {
        text += (i == 0 ? "" : ", ") + std::to_string(kinds[i].second) + " " + kinds[i].first;
    }
    return text;
}
