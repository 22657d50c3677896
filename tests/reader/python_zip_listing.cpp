#include "reader/python_zip_listing.h"

#include <sstream>

#include "test_support.h"

namespace mobrel::test {

namespace {

// Prints one line per entry, every field tab-separated, names and comments as hex.
constexpr const char* kScript = R"PY(
import sys, zipfile
test = sys.argv[1] == 'test'
for path in sys.argv[2:]:
    print('ARCHIVE')
    try:
        z = zipfile.ZipFile(path)
    except Exception as e:
        print('ERROR', repr(e), sep='\t')
        continue
    with z:
        print('END', z.comment.hex(), sep='\t')
        for i in z.infolist():
            utf8 = i.flag_bits & 0x800
            if utf8 or i.create_system != 0:
                name = i.orig_filename.encode('utf-8' if utf8 else 'cp437')
            else:
                name = i.orig_filename.encode('utf-8')
            y, mo, d, h, mi, s = i.date_time
            dos = (y - 1980) << 25 | mo << 21 | d << 16 | h << 11 | mi << 5 | s // 2
            print('ENTRY', name.hex(), i.create_version | i.create_system << 8,
                  i.extract_version | i.reserved << 8, i.flag_bits, i.compress_type, dos,
                  i.CRC, i.compress_size, i.file_size, len(i.extra), len(i.comment), i.volume,
                  i.internal_attr, i.external_attr, i.header_offset, i.comment.hex(), sep='\t')
        if test:
            print('TEST', z.testzip(), sep='\t')
)PY";

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t')) {
        fields.push_back(field);
    }
    if (!line.empty() && line.back() == '\t') {
        fields.emplace_back();
    }
    return fields;
}

PythonZipEntry EntryFrom(const std::vector<std::string>& f) {
    auto number = [&](size_t i) { return static_cast<uint32_t>(std::stoull(f.at(i))); };
    PythonZipEntry entry;
    entry.Name = FromHex(f.at(1));
    entry.VersionMadeBy = number(2);
    entry.VersionNeeded = number(3);
    entry.Flags = number(4);
    entry.Method = number(5);
    entry.DosDateTime = number(6);
    entry.Crc = number(7);
    entry.CompressedSize = std::stoull(f.at(8));
    entry.UncompressedSize = std::stoull(f.at(9));
    entry.ExtraLength = number(10);
    entry.CommentLength = number(11);
    entry.Disk = number(12);
    entry.InternalAttributes = number(13);
    entry.ExternalAttributes = number(14);
    entry.HeaderOffset = std::stoll(f.at(15));
    entry.Comment = FromHex(f.at(16));
    return entry;
}

}  // namespace

std::vector<PythonZipListing> ListWithPython(const std::vector<std::filesystem::path>& archives,
                                             bool testEntries) {
    TempDir scratch;
    const auto script = scratch / "list_zip.py";
    WriteFileText(script, kScript);
    std::string command =
        "python3 " + ShellQuote(script.string()) + (testEntries ? " test" : " list");
    for (const auto& archive : archives) {
        command += " " + ShellQuote(archive.string());
    }
    const CommandResult run = RunCommand(command);
    std::vector<PythonZipListing> listings;
    std::istringstream lines(run.Output);
    std::string line;
    while (std::getline(lines, line)) {
        const std::vector<std::string> f = Fields(line);
        if (f.empty()) {
            continue;
        }
        if (f[0] == "ARCHIVE") {
            listings.emplace_back().Ok = true;
        } else if (listings.empty()) {
            continue;
        } else if (f[0] == "ERROR") {
            listings.back().Ok = false;
            listings.back().Error = line;
        } else if (f[0] == "END") {
            listings.back().Comment = FromHex(f.size() > 1 ? f[1] : "");
        } else if (f[0] == "ENTRY") {
            listings.back().Entries.push_back(EntryFrom(f));
        } else if (f[0] == "TEST") {
            listings.back().TestResult = f.size() > 1 ? f[1] : "";
        }
    }
    // A script that died leaves the rest unlisted, with its message on each.
    listings.resize(archives.size());
    for (PythonZipListing& listing : listings) {
        if (!listing.Ok && listing.Error.empty()) {
            listing.Error = run.Output;
        }
    }
    if (run.ExitCode != 0) {
        for (PythonZipListing& listing : listings) {
            listing.Ok = false;
            listing.Error = run.Output;
        }
    }
    return listings;
}

PythonZipListing ListWithPython(const std::filesystem::path& archive, bool testEntries) {
    return ListWithPython(std::vector<std::filesystem::path>{archive}, testEntries).front();
}

}  // namespace mobrel::test
