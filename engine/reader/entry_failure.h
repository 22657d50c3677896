#pragma once
// One entry that an extraction, test or repair run did not deliver, and why, in the words
// every front end shows: the command line prints them, the window lists them. The engine
// only words them; showing them is the caller's business.
#include <cstdint>
#include <optional>
#include <string>

#include "reader/skip_reason.h"

namespace mobrel {

struct TEntryFailure {
    // The entry's name, folders joined with '/'.
    std::string Name;
    // What the event named: the entry, or the file or link it was to become.
    std::string Target;
    std::string Reason;
    // Why the engine skipped the entry; none for a bad CRC or a failure found elsewhere.
    std::optional<TSkipReason> Skip;
    // The entry's index in the directory the run read; -1 when the failure names none.
    int Index = -1;
};

// "bad CRC <found> (should be <expected>)", both as 8 hex digits; a matching CRC reported as
// bad means the data is not as long as its header says.
std::string BadCrcReason(uint32_t found, uint32_t expected);
// Why an entry was skipped; detail is the engine's LastSkipDetail for the skip (the
// method, the link, the system's reason a file could not be written).
std::string SkipReasonText(TSkipReason reason, const std::string& detail);
// An entry name with '/' between its folders, as users type and read them.
std::string EntryNameWithSlashes(std::string name);

}  // namespace mobrel
