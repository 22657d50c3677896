#include "list_command.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "code_page_option.h"
#include "command_line.h"
#include "format/aes_extra_field.h"
#include "format/zip_header_info.h"
#include "platform/dos_date_time.h"
#include "platform/progress.h"
#include "reader/un_zipper.h"
#include "subcommand.h"

namespace mobrel::cli {

const char* const kListSummary = "list the entries of an archive";
const char* const kListUsage =
    "usage: mobrel-cli list [-v] [-O CODEPAGE] ARCHIVE\n"
    "\n"
    "Without -v: the relative path, file name, size, zipped size and date of every entry,\n"
    "then the total unzipped size and the archive's size.\n"
    "With -v: one tab-separated line per entry, in the archive's order: name, uncompressed\n"
    "size, compressed size, method (for AES, the method under the encryption), CRC-32,\n"
    "date-time, external attributes, encrypted, Unix mode in octal (0 when the entry has\n"
    "none).\n"
    "  -O CODEPAGE  the code page of names without the UTF-8 flag from MS-DOS hosts: CP437\n"
    "               (the default), CP850, CP852, CP866, CP1250, CP1251, CP1252, CP932\n"
    "               (Shift-JIS), CP936 (GBK), CP949 (EUC-KR) or CP950 (Big5)\n";

namespace {

std::string WithSlashes(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

// "#,##0": thousands separated by commas.
std::string GroupThousands(int64_t value) {
    const uint64_t magnitude =
        value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    const std::string digits = std::to_string(magnitude);
    std::string grouped = value < 0 ? "-" : "";
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped.push_back(',');
        }
        grouped.push_back(digits[i]);
    }
    return grouped;
}

// Columns line up by characters, not bytes: names are UTF-8.
size_t DisplayWidth(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string DateOnly(TDateTime when) {
    return FormatDateTime(when).substr(0, 10);
}

std::string Hex(uint32_t value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", width, value);
    return text;
}

std::string Octal(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%o", value);
    return text;
}

void ListVerbose(TUnZipper& zipper, std::ostream& out) {
    for (int i = 0; i < zipper.Count(); ++i) {
        const TZipHeaderInfo& entry = zipper.EntryInfo(i);
        out << WithSlashes(entry.FullName()) << '\t' << entry.UncompressedSize << '\t'
            << entry.CompressedSize << '\t' << DataMethodOf(entry) << '\t' << Hex(entry.CRC32, 8)
            << '\t' << FormatDateTime(zipper.EntryDateTime(i)) << '\t'
            << Hex(entry.ExternalAttributes, 1) << '\t' << (entry.IsEncrypted() ? 1 : 0) << '\t'
            << Octal(entry.UnixMode()) << '\n';
    }
}

// The Unzip page's first five columns (path, name, both sizes, date), padded to the widest
// cell of each.
void ListColumns(TUnZipper& zipper, std::ostream& out) {
    std::vector<std::vector<std::string>> rows = {
        {"Relative Path", "Filename", "Size", "Zipped Size", "Date"}};
    int64_t unzipped = 0;
    for (int i = 0; i < zipper.Count(); ++i) {
        rows.push_back({WithSlashes(zipper.EntryPath(i)), zipper.EntryFileName(i),
                        GroupThousands(zipper.EntryUncompressedSize(i)),
                        GroupThousands(zipper.EntryCompressedSize(i)),
                        DateOnly(zipper.EntryDateTime(i))});
        unzipped = AddedTotal(unzipped, zipper.EntryUncompressedSize(i));
    }
    std::vector<size_t> widths(5, 0);
    for (const auto& row : rows) {
        for (size_t c = 0; c < row.size(); ++c) {
            widths[c] = std::max(widths[c], DisplayWidth(row[c]));
        }
    }
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            const bool numeric = c == 2 || c == 3;
            const std::string pad(widths[c] - DisplayWidth(row[c]), ' ');
            line += numeric ? pad + row[c] : row[c] + (c + 1 < row.size() ? pad : "");
            if (c + 1 < row.size()) {
                line += "  ";
            }
        }
        out << line << '\n';
    }
    out << "Unzipped: " << GroupThousands(unzipped) << '\n';
    out << "Zipped: " << GroupThousands(zipper.ZipSize()) << '\n';
}

}  // namespace

int ListArchive(const std::string& archive, bool verbose, std::ostream& out,
                TNamesCodePage namesCodePage) {
    TUnZipper zipper;
    zipper.SetNamesCodePage(namesCodePage);
    // As the application does: a damaged archive is listed from its local headers, and a
    // file that is no archive at all is an error rather than an empty listing.
    zipper.SetIncompleteZipMode(izAssumeBad);
    zipper.SetZipName(archive);
    zipper.ReadZip();
    if (verbose) {
        ListVerbose(zipper, out);
    } else {
        ListColumns(zipper, out);
    }
    if (zipper.DirectoryRebuilt()) {
        std::cerr << "mobrel-cli list: the central directory is damaged; entries were found "
                     "by scanning the archive\n";
    }
    return kExitOk;
}

int RunList(const std::vector<std::string>& args) {
    const CommandLine line(args, {{"-v"}, {"-O", true}});
    const TNamesCodePage namesCodePage = CodePageOption(line);
    if (line.Positional().size() != 1) {
        throw UsageError(line.Positional().empty() ? "an archive is needed"
                                                   : "only one archive can be listed");
    }
    return ListArchive(line.Positional()[0], line.Has("-v"), std::cout, namesCodePage);
}

}  // namespace mobrel::cli
