#include "entry_failures.h"

#include <iostream>

namespace mobrel::cli {

EntryFailures::EntryFailures(std::string subcommand) : subcommand_(std::move(subcommand)) {
    log_.OnFailure = [this](TEntryFailure& failure) {
        std::cerr << "mobrel-cli " << subcommand_ << ": ";
        if (!failure.Target.empty()) {
            std::cerr << failure.Target << ": ";
        }
        std::cerr << failure.Reason << '\n';
    };
}

void EntryFailures::Report(const std::string& message) {
    log_.Add({{}, {}, message, std::nullopt});
}

void EntryFailures::ReportEntry(const std::string& entryName, const std::string& problem) {
    const std::string name = EntryNameWithSlashes(entryName);
    log_.Add({name, name, problem, std::nullopt});
}

}  // namespace mobrel::cli
