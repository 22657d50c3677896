#include "platform/names_code_page.h"

#include <algorithm>
#include <array>
#include <memory>

#include "platform/code_page.h"
#include "platform/iconv_decoder.h"

namespace mobrel {

namespace {

struct TPageInfo {
    TNamesCodePage Page;
    std::string_view Number;
    std::string_view Name;  // also the C library's iconv name
    std::array<std::string_view, 3> Aliases;
};

// In the order of TNamesCodePage.
constexpr std::array<TPageInfo, 11> kPages = {{
    {TNamesCodePage::Cp437, "437", "CP437", {}},
    {TNamesCodePage::Cp850, "850", "CP850", {}},
    {TNamesCodePage::Cp852, "852", "CP852", {}},
    {TNamesCodePage::Cp866, "866", "CP866", {}},
    {TNamesCodePage::Cp1250, "1250", "CP1250", {}},
    {TNamesCodePage::Cp1251, "1251", "CP1251", {}},
    {TNamesCodePage::Cp1252, "1252", "CP1252", {}},
    {TNamesCodePage::Cp932, "932", "CP932", {"SHIFT-JIS", "SJIS", "WINDOWS-31J"}},
    {TNamesCodePage::Cp936, "936", "CP936", {"GBK", "GB2312"}},
    {TNamesCodePage::Cp949, "949", "CP949", {"EUC-KR", "UHC"}},
    {TNamesCodePage::Cp950, "950", "CP950", {"BIG5", "BIG-5"}},
}};

constexpr bool TableInEnumOrder() {
    for (size_t i = 0; i < kPages.size(); ++i) {
        if (static_cast<size_t>(kPages[i].Page) != i) {
            return false;
        }
    }
    return true;
}
static_assert(TableInEnumOrder());

const TPageInfo& InfoOf(TNamesCodePage page) {
    return kPages[static_cast<size_t>(page)];
}

// Upper case with '-' for '_', the one form the table is written in.
std::string Normalized(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = c == '_' ? '-' : c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return result;
}

// "866" from "866", "CP866", "IBM866", "WINDOWS-866" or "MS866"; the text itself otherwise.
std::string_view NumberPart(std::string_view text) {
    for (const std::string_view prefix : {"CP", "IBM", "WINDOWS-", "MS"}) {
        if (text.starts_with(prefix)) {
            return text.substr(prefix.size());
        }
    }
    return text;
}

// An iconv handle costs a module lookup to open and may not be shared between threads:
// each thread keeps one per page for as long as it runs.
TIconvDecoder& DecoderFor(TNamesCodePage page) {
    thread_local std::array<std::unique_ptr<TIconvDecoder>, kPages.size()> decoders;
    std::unique_ptr<TIconvDecoder>& decoder = decoders[static_cast<size_t>(page)];
    if (!decoder) {
        decoder = std::make_unique<TIconvDecoder>(std::string(InfoOf(page).Name).c_str());
    }
    return *decoder;
}

}  // namespace

std::span<const TNamesCodePage> NamesCodePages() {
    static const std::array<TNamesCodePage, kPages.size()> pages = [] {
        std::array<TNamesCodePage, kPages.size()> all{};
        std::transform(kPages.begin(), kPages.end(), all.begin(),
                       [](const TPageInfo& info) { return info.Page; });
        return all;
    }();
    return pages;
}

std::string_view CodePageName(TNamesCodePage page) {
    return InfoOf(page).Name;
}

std::optional<TNamesCodePage> ParseCodePage(std::string_view text) {
    const std::string name = Normalized(text);
    if (name.empty()) {
        return std::nullopt;  // the table's unused alias slots are empty
    }
    for (const TPageInfo& info : kPages) {
        if (NumberPart(name) == info.Number ||
            std::ranges::find(info.Aliases, name) != info.Aliases.end()) {
            return info.Page;
        }
    }
    return std::nullopt;
}

std::string DecodeCodePage(std::string_view bytes, TNamesCodePage page) {
    if (page == TNamesCodePage::Cp437) {
        return OemToAnsi(bytes);
    }
    if (std::all_of(bytes.begin(), bytes.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return std::string(bytes);
    }
    return DecoderFor(page).Decode(bytes);
}

}  // namespace mobrel
