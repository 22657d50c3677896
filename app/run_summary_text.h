#pragma once
// How a run's failures are summed up in its closing message: how many, and why, each kind
// of reason once with its count ("3 failed or were skipped: 2 bad CRC, 1 wrong password").
#include <string>
#include <vector>

#include "reader/entry_failure.h"

// What the window says of an entry the user chose to skip.
inline constexpr const char* kSkippedByUser = "skipped by the user";

// The kind of reason of one failure, in a few words.
std::string FailureKind(const mobrel::TEntryFailure& failure);
std::string FailureSummary(const std::vector<mobrel::TEntryFailure>& failures);
