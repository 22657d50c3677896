#include "entry_failures.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "reader/un_zipper.h"

namespace mobrel::cli {

namespace {

std::string WithSlashes(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

std::string Hex8(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

std::string SkipText(TSkipReason reason, const std::string& name, const std::string& detail) {
    switch (reason) {
        case skBadPassword:
            return WithSlashes(name) + ": wrong password, skipped";
        case skNoOverwrite:
            return name + " exists and was not replaced";
        case skCreateError:
            return name + " could not be created";
        case skUnsafeLink:
            return name + ": " + detail + ", skipped";
        case skUnsupportedMethod:
        case skDamagedData:
            return WithSlashes(name) + ": " + detail;
        default:
            return WithSlashes(name) + " was skipped";
    }
}

}  // namespace

void EntryFailures::Attach(TUnZipper& zipper) {
    zipper.OnBadCRC = [this](TUnZipper& sender, uint32_t calcCRC, uint32_t storedCRC, int index) {
        const std::string name = WithSlashes(sender.EntryFullName(index));
        // A matching CRC reported as bad means the data is not as long as its header says.
        Report(calcCRC == storedCRC
                   ? name + ": data length differs from its header"
                   : name + ": bad CRC " + Hex8(calcCRC) + " (should be " + Hex8(storedCRC) + ")");
    };
    zipper.OnSkippingFile = [this](TUnZipper& sender, TSkipReason reason, const std::string& name,
                                   int, bool&) {
        Report(SkipText(reason, name, sender.LastSkipDetail()));
    };
}

void EntryFailures::Report(const std::string& message) {
    ++count_;
    std::cerr << "mobrel-cli " << subcommand_ << ": " << message << '\n';
}

void EntryFailures::ReportEntry(const std::string& entryName, const std::string& problem) {
    Report(WithSlashes(entryName) + ": " + problem);
}

}  // namespace mobrel::cli
