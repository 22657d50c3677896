#pragma once

namespace mobrel {

// Why an entry was skipped (the Reason of OnSkippingFile). The values are stored by
// callers, so they keep their numbers; 2 is not used by this engine.
enum TSkipReason : int {
    skBadPassword = 0,  // wrong password and no new one supplied
    skNoOverwrite = 1,  // an existing output file is not to be replaced
    skCreateError = 3,  // the output file could not be created
};

}  // namespace mobrel
