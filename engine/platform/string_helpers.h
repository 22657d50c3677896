#pragma once
// Small text helpers of the engine.
#include <string>

namespace mobrel {

// The first count characters of text (all of it when shorter; none for a count below 1).
std::string LeftStr(const std::string& text, int count);
// The last count characters of text (all of it when shorter; none for a count below 1).
std::string RightStr(const std::string& text, int count);

// Replace every '\' by '/' (or the reverse) in place and return the same text.
std::string& BackslashToSlash(std::string& text);
std::string& SlashToBackslash(std::string& text);

// text with A-Z lowered; other bytes, UTF-8 sequences among them, stay as they are.
std::string LowerAscii(std::string text);

}  // namespace mobrel
