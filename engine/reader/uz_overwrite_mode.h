#pragma once

namespace mobrel {

// What extraction does with an output file that already exists. Scoped, because the bare
// value names (Always, Never) would collide with other names in the namespace.
enum class TUZOverwriteMode : int {
    Prompt = 0,   // ask through OnPromptForOverwrite or a message box
    Always = 1,   // replace
    Never = 2,    // keep the existing file
    ifNewer = 3,  // replace when the entry is strictly newer
    ifOlder = 4,  // replace when the entry is strictly older
};

}  // namespace mobrel
