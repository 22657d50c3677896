#pragma once
// The central extra area of an entry whose central header is lost (an archive repaired from
// its local headers): only the fields that mean the same in both headers are carried over,
// each in its central form. A field whose central form differs in a way the engine can't
// tell (or that holds local-only data such as owner ids) is left out rather than guessed.
#include <string>
#include <string_view>

namespace mobrel {

// The central fields for a local extra area: the extended timestamp cut to its flags and
// modification time, the NTFS times and the Unicode Path as they are. A malformed area
// gives the fields of its well-formed part.
std::string CentralExtraFromLocal(std::string_view localArea);

}  // namespace mobrel
