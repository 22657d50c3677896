#include "unmatched_files.h"

#include <iostream>

#include "subcommand.h"
#include "writer/zipper.h"

namespace mobrel::cli {

void UnmatchedFiles::Attach(TZipper& zipper, const std::vector<std::string>& typed) {
    const std::vector<std::string>& specs = zipper.FilesList();
    for (size_t i = 0; i < specs.size() && i < typed.size(); ++i) {
        typedBySpec_.emplace(specs[i], typed[i]);
    }
    zipper.OnNoFileMatches = [this](TZipper&, const std::string& spec) {
        const auto typed = typedBySpec_.find(spec);
        std::cerr << (typed != typedBySpec_.end() ? typed->second : spec) << ": no file matches\n";
        ++count_;
    };
}

int AddExitStatus(int zipped, bool problems) {
    if (!problems) {
        return kExitOk;
    }
    return zipped > 0 ? kExitPartial : kExitFailed;
}

}  // namespace mobrel::cli
