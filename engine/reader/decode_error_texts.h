#pragma once
// The texts an entry's decoding fails with, whichever thread decodes it, so an error reads
// the same with one thread or many.

#include <string>

namespace mobrel {

inline constexpr const char* kPrematureEnd = "Premature end of file reached";
inline constexpr const char* kUserAborted = "User Aborted Operation";
inline constexpr const char* kBiggerThanUncompressed = "File is larger than uncompressed size!";
inline constexpr const char* kCantWrite = "Cant write uncompressed file";

// What ends a run whose output file could not take all of its entry: a write the medium
// took short (a full disk, a quota, a file size limit) or a declared size it has no room for.
inline std::string NotEnoughSpaceText(const std::string& fileName) {
    return "Cannot write file \"" + fileName + "\": not enough space";
}

}  // namespace mobrel
