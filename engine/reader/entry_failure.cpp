#include "reader/entry_failure.h"

#include <cstdio>

#include "platform/string_helpers.h"

namespace mobrel {

namespace {

std::string Hex8(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

}  // namespace

std::string BadCrcReason(uint32_t found, uint32_t expected) {
    if (found == expected) {
        return "data length differs from its header";
    }
    return "bad CRC " + Hex8(found) + " (should be " + Hex8(expected) + ")";
}

std::string SkipReasonText(TSkipReason reason, const std::string& detail) {
    switch (reason) {
        case skBadPassword:
            return "wrong password, skipped";
        case skNoOverwrite:
            return "exists and was not replaced";
        case skOpenError:
            return "could not be opened";
        case skCreateError:
            return detail.empty() ? "could not be written" : "could not be written: " + detail;
        case skDanglingLink:
            return "a link to a missing file, skipped";
        case skUnsafeLink:
            return detail + ", skipped";
        case skUnsupportedMethod:
        case skDamagedData:
            return detail;
    }
    return "skipped";
}

std::string EntryNameWithSlashes(std::string name) {
    return BackslashToSlash(name);
}

}  // namespace mobrel
