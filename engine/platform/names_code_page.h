#pragma once
// The code page that entry names without the UTF-8 flag from MS-DOS hosts are read in.
// Such hosts wrote names in the page of the system they ran on: CP437 in the default
// setting, another page on systems set up for another language, which only the user can
// tell. CP437 keeps its own table; the others are decoded by the C library's iconv.
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace mobrel {

enum class TNamesCodePage {
    Cp437,   // DOS, the default
    Cp850,   // DOS Western Europe
    Cp852,   // DOS Central Europe
    Cp866,   // DOS Cyrillic
    Cp1250,  // Windows Central Europe
    Cp1251,  // Windows Cyrillic
    Cp1252,  // Windows Western
    Cp932,   // Shift-JIS
    Cp936,   // GBK
    Cp949,   // EUC-KR (and its Unified Hangul superset)
    Cp950,   // Big5
};

// Every page, in the order they are offered.
std::span<const TNamesCodePage> NamesCodePages();
// The page's name as "CP" and its number: "CP866", "CP932".
std::string_view CodePageName(TNamesCodePage page);
// A page as people write it, in any case, '_' or '-': "CP866", "866", "IBM866",
// "WINDOWS-1251", "SHIFT-JIS", "SJIS", "GBK", "BIG5", "EUC-KR". Nothing for another name.
std::optional<TNamesCodePage> ParseCodePage(std::string_view text);

// The bytes of a name in page, as UTF-8. Plain ASCII is the same in every one of these
// pages; a byte the page gives no character for becomes U+FFFD.
std::string DecodeCodePage(std::string_view bytes, TNamesCodePage page);

}  // namespace mobrel
