#include "reader/zipinfo_oracle.h"

#include <cstdio>
#include <sstream>

#include "test_support.h"

namespace mobrel::test {

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

// The value after the label's colon, without the padding.
std::string ValueAfter(const std::string& line, const std::string& label) {
    std::string value = line.substr(line.find(label) + label.size());
    const size_t start = value.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : value.substr(start);
}

// "2024 Mar 15 12:34:56" -> "2024-03-15 12:34:56".
std::string IsoDate(const std::string& zipinfoDate) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int year = 0, day = 0, hour = 0, minute = 0, second = 0;
    char month[8] = {};
    if (std::sscanf(zipinfoDate.c_str(), "%d %3s %d %d:%d:%d", &year, month, &day, &hour, &minute,
                    &second) != 6) {
        return "unparsed: " + zipinfoDate;
    }
    int monthNumber = 0;
    for (int i = 0; i < 12; ++i) {
        if (std::string(month) == kMonths[i]) {
            monthNumber = i + 1;
        }
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, monthNumber, day, hour,
                  minute, second);
    return text;
}

}  // namespace

ZipinfoListing RunZipinfo(const std::filesystem::path& archive) {
    ZipinfoListing listing;
    const CommandResult result =
        RunCommand("LC_ALL=C.UTF-8 zipinfo -v " + ShellQuote(archive.string()));
    listing.ExitCode = result.ExitCode;
    listing.Output = result.Output;
    std::istringstream lines(result.Output);
    std::string line;
    bool expectName = false;
    while (std::getline(lines, line)) {
        if (StartsWith(line, "Central directory entry #")) {
            listing.Entries.emplace_back();
            expectName = true;
            continue;
        }
        if (listing.Entries.empty()) {
            continue;
        }
        ZipinfoEntry& entry = listing.Entries.back();
        // Warnings about offsets come between an entry's heading and its name.
        if (expectName && StartsWith(line, "  ") && !StartsWith(line, "  There are an extra")) {
            entry.Name = line.substr(2);
            expectName = false;
        } else if (line.find("file last modified on (DOS date/time):") != std::string::npos) {
            entry.DosDateTime = IsoDate(ValueAfter(line, "(DOS date/time):"));
        } else if (line.find("(UT extra field modtime):") != std::string::npos &&
                   line.ends_with(" local")) {
            entry.ExactLocalTime = IsoDate(ValueAfter(line, "(UT extra field modtime):"));
        } else if (StartsWith(line, "  compressed size:")) {
            entry.CompressedSize = std::stoull(ValueAfter(line, "compressed size:"));
        } else if (StartsWith(line, "  uncompressed size:")) {
            entry.UncompressedSize = std::stoull(ValueAfter(line, "uncompressed size:"));
        }
    }
    return listing;
}

}  // namespace mobrel::test
