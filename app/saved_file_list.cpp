#include "saved_file_list.h"

#include "file_dialog.h"
#include "platform/file_stream.h"

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';

}  // namespace

void PrepareListDialog(TFileDialog& dialog, const std::string& title) {
    dialog.ProposeExtension("." + std::string(kListFileExtension));
    dialog.Title = title;
    dialog.DefaultExt = std::string(kListFileExtension);
    dialog.Filter = std::string(kListFileFilter);
}

std::vector<std::string> SplitListLines(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(pos));
            break;
        }
        lines.emplace_back(text.substr(pos, end - pos));
        pos = end + 1;
        // CR LF is one line end; LF CR is two.
        if (text[end] == kCR && pos < text.size() && text[pos] == kLF) {
            ++pos;
        }
    }
    return lines;
}

std::string JoinListLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += kCR;
        text += kLF;
    }
    return text;
}

std::vector<std::string> LoadFileList(const std::string& fileName) {
    mobrel::TFileStream file(fileName, mobrel::TFileMode::OpenRead);
    std::string text(static_cast<size_t>(file.Size()), '\0');
    file.ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
    return SplitListLines(text);
}

void SaveFileList(const std::string& fileName, const std::vector<std::string>& lines) {
    const std::string text = JoinListLines(lines);
    mobrel::TFileStream file(fileName, mobrel::TFileMode::Create);
    file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}
