#include "code_page_option.h"

namespace mobrel::cli {

TNamesCodePage CodePageOption(const CommandLine& line) {
    const std::optional<std::string> text = line.Value("-O");
    if (!text) {
        return TNamesCodePage::Cp437;
    }
    const std::optional<TNamesCodePage> page = ParseCodePage(*text);
    if (!page) {
        std::string known;
        for (const TNamesCodePage each : NamesCodePages()) {
            known += (known.empty() ? "" : ", ") + std::string(CodePageName(each));
        }
        throw UsageError("-O takes one of the code pages " + known +
                         " (also as SHIFT-JIS, GBK, EUC-KR or BIG5), not \"" + *text + "\"");
    }
    return *page;
}

}  // namespace mobrel::cli
