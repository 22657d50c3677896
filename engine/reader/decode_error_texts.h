#pragma once
// The texts an entry's decoding fails with, whichever thread decodes it, so an error reads
// the same with one thread or many.

namespace mobrel {

inline constexpr const char* kPrematureEnd = "Premature end of file reached";
inline constexpr const char* kUserAborted = "User Aborted Operation";
inline constexpr const char* kBiggerThanUncompressed = "File is larger than uncompressed size!";
inline constexpr const char* kCantWrite = "Cant write uncompressed file";

}  // namespace mobrel
