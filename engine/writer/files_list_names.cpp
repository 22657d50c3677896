#include "writer/files_list_names.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/host_path.h"
#include "platform/string_helpers.h"
#include "platform/wildcard_match.h"

namespace mobrel {

bool IsBlankName(std::string_view name) {
    return name.find_first_not_of(" \t") == std::string_view::npos;
}

bool IsFolderEntryName(std::string_view name) {
    return !name.empty() && (name.back() == kPathSeparator || name.back() == kEntrySeparator);
}

std::string AbsoluteHostPath(const std::string& path) {
    if (path.empty()) {
        return path;
    }
    const bool folder = IsFolderEntryName(path);
    const std::string trimmed = folder ? path.substr(0, path.size() - 1) : path;
    const std::string plain = trimmed.empty() ? std::string(1, kPathSeparator) : trimmed;
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(plain, error);
    if (error) {
        absolute = plain;
    }
    std::string normal = absolute.lexically_normal().string();
    if (folder && !HasTrailingSeparator(normal)) {
        normal += kPathSeparator;
    }
    if (!folder && normal.size() > 1 && HasTrailingSeparator(normal)) {
        normal.pop_back();  // "dir/." normalises to "dir/", which would mean a folder entry
    }
    return normal;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    const auto fold = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return fold(x) == fold(y); });
}

bool MatchesPatternList(const std::vector<std::string>& patterns, const std::string& path) {
    std::string whole = path;
    SlashToBackslash(whole);
    const size_t lastSeparator = whole.find_last_of('\\');
    const std::string_view name = lastSeparator == std::string::npos
                                      ? std::string_view(whole)
                                      : std::string_view(whole).substr(lastSeparator + 1);
    for (std::string pattern : patterns) {
        SlashToBackslash(pattern);
        const bool wholePath = pattern.find('\\') != std::string::npos;
        if (WildcardMatch(pattern, wholePath ? std::string_view(whole) : name)) {
            return true;
        }
    }
    return false;
}

}  // namespace mobrel
