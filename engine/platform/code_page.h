#pragma once
// Entry names in memory are UTF-8 (the "ANSI" page on Linux). New names are written as
// plain ASCII, or as UTF-8 with general purpose flag bit 11 set; names without the flag
// from MS-DOS hosts are read as CP437 (the "OEM" page), as those hosts wrote them, unless
// the user names another page for the archive.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/names_code_page.h"

namespace mobrel {

constexpr uint16_t kUtf8NameFlag = 0x0800;  // general purpose flag bit 11

// CP437 bytes to UTF-8. Every byte has a character, so this never fails.
std::string OemToAnsi(std::string_view oem);
// UTF-8 to CP437. Characters CP437 has no form for (and invalid UTF-8) become '?'.
std::string AnsiToOem(std::string_view ansi);
// True when every character of the UTF-8 text has a CP437 form.
bool FitsOem(std::string_view ansi);

// True when the text is well-formed UTF-8 (no overlong forms, surrogates or truncation).
bool IsValidUtf8(std::string_view text);

// The bytes to store for a name held in memory, and whether bit 11 must be set: the bytes
// as they are, flagged when they are UTF-8 beyond ASCII. Bytes that are not UTF-8 at all
// are stored unchanged and unflagged.
struct TStoredName {
    std::string Bytes;
    bool Utf8 = false;
};
TStoredName EncodeEntryName(std::string_view ansi);
// A stored name as held in memory: unchanged when bit 11 is set, else read in page.
std::string DecodeEntryName(std::string_view stored, bool utf8Flag,
                            TNamesCodePage page = TNamesCodePage::Cp437);

}  // namespace mobrel
