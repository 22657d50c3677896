#include "platform/string_helpers.h"

#include <algorithm>

#include "platform/code_page.h"

namespace mobrel {

std::string LeftStr(const std::string& text, int count) {
    if (count <= 0) {
        return {};
    }
    return text.substr(0, static_cast<size_t>(count));
}

std::string RightStr(const std::string& text, int count) {
    if (count <= 0) {
        return {};
    }
    const size_t keep = std::min(text.size(), static_cast<size_t>(count));
    return text.substr(text.size() - keep);
}

std::string& BackslashToSlash(std::string& text) {
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

std::string& SlashToBackslash(std::string& text) {
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

}  // namespace mobrel
