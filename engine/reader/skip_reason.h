#pragma once

namespace mobrel {

// Why an entry was skipped (the Reason of OnSkippingFile). The values are stored by
// callers, so they keep their numbers.
enum TSkipReason : int {
    skBadPassword = 0,  // wrong password and no new one supplied
    skNoOverwrite = 1,  // an existing output file is not to be replaced (the writer: the
                        // stored name is already in the new archive)
    skOpenError = 2,    // the writer could not open a file to zip
    skCreateError = 3,  // the output file could not be created
    // The writer was to follow a symbolic link whose target is missing.
    skDanglingLink = 4,
    skUnsafeLink = 5,  // a link that would lead out of the destination, or a symbolic link
                       // in the way of an entry (LastSkipDetail tells which)
    // No decoder for the entry's compression method (LastSkipDetail names it).
    skUnsupportedMethod = 6,
    // The entry's data failed its authentication (an AES entry changed after it was
    // written), or a repair's test of it ended with an error; nothing of it is kept.
    // LastSkipDetail says which.
    skDamagedData = 7,
};

}  // namespace mobrel
