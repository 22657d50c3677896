#pragma once
// The engine's one pattern matcher, used for folder walks and for every name tested against
// FilesList, ExcludeList and NoCompressList.
#include <string_view>

namespace mobrel {

// Case-insensitive match (letters A-Z only) of name against pattern:
//   ?        any one character
//   *        any run of characters, also none
//   <abc>    one character of the set; "<!...>" or "<^...>" inverts it; "a-z" (or "z-a")
//            inside is a range
// "*" alone matches everything, the empty name included. A "*" directly followed by a set
// only passes over characters of that set. Once the name is used up, the match holds only
// when a single "*" is left of the pattern, so "a*" matches "a" but "a**" and "a*?" do not.
// A pattern with an empty or unterminated set never matches.
// Keeps no state between calls and is safe to call from any thread.
bool WildcardMatch(std::string_view pattern, std::string_view name);

constexpr std::string_view kWildcardCharacters = "*?<>|";

// True when text contains one of the wildcard characters.
bool HasWildcards(std::string_view text);

}  // namespace mobrel
