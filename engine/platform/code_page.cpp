#include "platform/code_page.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace mobrel {

namespace {

// The characters of CP437's upper half, 0x80 to 0xFF. The lower half is ASCII.
constexpr std::array<char16_t, 128> kCp437High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 0x80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 0x88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 0x90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,  // 0x98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // 0xA0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // 0xA8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // 0xB0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // 0xB8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // 0xC0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // 0xC8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // 0xD0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // 0xD8
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // 0xE0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  // 0xE8
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // 0xF0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // 0xF8
};

using TReverseEntry = std::pair<char16_t, uint8_t>;

// The upper half sorted by character, for lookups from Unicode to CP437.
const std::array<TReverseEntry, 128>& ReverseTable() {
    static const std::array<TReverseEntry, 128> table = [] {
        std::array<TReverseEntry, 128> entries{};
        for (size_t i = 0; i < kCp437High.size(); ++i) {
            entries[i] = {kCp437High[i], static_cast<uint8_t>(0x80 + i)};
        }
        std::sort(entries.begin(), entries.end());
        return entries;
    }();
    return table;
}

std::optional<uint8_t> CharToOem(char32_t c) {
    if (c < 0x80) {
        return static_cast<uint8_t>(c);
    }
    if (c > 0xFFFF) {
        return std::nullopt;
    }
    const auto& table = ReverseTable();
    const auto it =
        std::lower_bound(table.begin(), table.end(), TReverseEntry{static_cast<char16_t>(c), 0});
    if (it == table.end() || it->first != c) {
        return std::nullopt;
    }
    return it->second;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one character at pos and moves pos past it. An invalid sequence (a stray
// continuation byte, a truncated or overlong form, a surrogate, a value past U+10FFFF)
// gives nothing and moves pos past its first byte only.
std::optional<char32_t> NextUtf8(std::string_view text, size_t& pos) {
    const auto lead = static_cast<uint8_t>(text[pos++]);
    if (lead < 0x80) {
        return lead;
    }
    int length = 0;
    char32_t c = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, smallest = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() - pos < static_cast<size_t>(length - 1)) {
        return std::nullopt;
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<uint8_t>(text[pos + i - 1]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        c = c << 6 | (next & 0x3F);
    }
    if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return std::nullopt;
    }
    pos += static_cast<size_t>(length - 1);
    return c;
}

}  // namespace

std::string OemToAnsi(std::string_view oem) {
    // Most names are plain ASCII, the same in both: no per-byte work for them.
    if (std::all_of(oem.begin(), oem.end(),
                    [](char c) { return static_cast<uint8_t>(c) < 0x80; })) {
        return std::string(oem);
    }
    std::string result;
    result.reserve(oem.size());
    for (const char byte : oem) {
        const auto b = static_cast<uint8_t>(byte);
        AppendUtf8(result, b < 0x80 ? char32_t{b} : char32_t{kCp437High[b - 0x80]});
    }
    return result;
}

std::string AnsiToOem(std::string_view ansi) {
    std::string result;
    result.reserve(ansi.size());
    size_t pos = 0;
    while (pos < ansi.size()) {
        const std::optional<char32_t> c = NextUtf8(ansi, pos);
        const std::optional<uint8_t> oem = c ? CharToOem(*c) : std::nullopt;
        result += oem ? static_cast<char>(*oem) : '?';
    }
    return result;
}

bool FitsOem(std::string_view ansi) {
    size_t pos = 0;
    while (pos < ansi.size()) {
        const std::optional<char32_t> c = NextUtf8(ansi, pos);
        if (!c || !CharToOem(*c)) {
            return false;
        }
    }
    return true;
}

bool IsValidUtf8(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
        if (!NextUtf8(text, pos)) {
            return false;
        }
    }
    return true;
}

TStoredName EncodeEntryName(std::string_view ansi) {
    // Plain ASCII reads the same everywhere; valid UTF-8 is stored as it is and flagged.
    // Bytes that are no UTF-8 at all (a name from a system with another character set) are
    // stored unchanged and unflagged, since the flag would promise UTF-8 they are not.
    const bool ascii =
        std::all_of(ansi.begin(), ansi.end(), [](char c) { return (c & 0x80) == 0; });
    return {std::string(ansi), !ascii && IsValidUtf8(ansi)};
}

std::string DecodeEntryName(std::string_view stored, bool utf8Flag, TNamesCodePage page) {
    return utf8Flag ? std::string(stored) : DecodeCodePage(stored, page);
}

}  // namespace mobrel
