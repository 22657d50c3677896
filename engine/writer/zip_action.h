#pragma once
// What the writer does when a file meets an existing entry of the same stored name, and
// what OnUpdate reports about such an entry.
namespace mobrel {

enum TZipAction : int {
    zaUpdate = 0,   // replace an entry only with a newer file; add new files
    zaReplace = 1,  // replace an entry whatever the dates; add new files
    zaFreshen = 2,  // only files that already have an entry, and only when newer
};

enum TUpdateAction : int {
    uaReplace = 0,  // the entry is about to be replaced by the file
    uaKeep = 1,     // the entry stays as it is
};

}  // namespace mobrel
