// Listing the archives other tools made: every entry's name, sizes and date as the reader
// shows them must agree with what Info-ZIP zipinfo reads from the same file.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <tuple>

#include "format/extra_field.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "reader/un_zipper.h"
#include "reader/zipinfo_oracle.h"
#include "test_support.h"
#include "writer/multi_disk_test_support.h"

namespace mobrel {
namespace {

using test::ManifestRow;

struct ListedEntry {
    std::string Path;      // EntryPath, '\' separated
    std::string FileName;  // EntryFileName
    uint64_t CompressedSize = 0;
    uint64_t UncompressedSize = 0;
    std::string DateTime;  // "YYYY-MM-DD HH:MM:SS", local time

    auto Key() const {
        return std::tie(Path, FileName, CompressedSize, UncompressedSize, DateTime);
    }
    bool operator<(const ListedEntry& other) const { return Key() < other.Key(); }
    bool operator==(const ListedEntry& other) const { return Key() == other.Key(); }
};

void PrintTo(const ListedEntry& e, std::ostream* out) {
    *out << "{" << e.Path << "|" << e.FileName << " " << e.CompressedSize << "/"
         << e.UncompressedSize << " " << e.DateTime << "}";
}

std::string LocalTimeText(TDateTime when) {
    const std::time_t seconds = static_cast<std::time_t>(when);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

// zipinfo prints a name as a C string with control characters as "^X".
std::string AsZipinfoPrints(const std::string& name) {
    std::string shown;
    for (char c : name) {
        if (c == '\0') {
            break;
        }
        if (static_cast<unsigned char>(c) < 0x20) {
            shown += '^';
            shown += static_cast<char>(c + 64);
        } else {
            shown += c;
        }
    }
    return shown;
}

// zipinfo prints the stored date as it is; the engine repairs a day or month of 0 to 1 (and
// a month above 12 to 12) when it reads a header.
std::string RepairedDate(std::string date) {
    if (date.size() >= 10) {
        if (date.compare(5, 2, "00") == 0) {
            date.replace(5, 2, "01");
        } else if (date.compare(5, 2, "12") > 0) {
            date.replace(5, 2, "12");
        }
        if (date.compare(8, 2, "00") == 0) {
            date.replace(8, 2, "01");
        }
    }
    return date;
}

// zipinfo's '/' name split the way the engine holds it: folder part with '\', file part.
ListedEntry FromZipinfo(const test::ZipinfoEntry& entry) {
    std::string name = entry.Name;
    std::replace(name.begin(), name.end(), '/', '\\');
    const size_t split =
        name.find_last_of('\\') == std::string::npos ? 0 : name.find_last_of('\\') + 1;
    return {name.substr(0, split), name.substr(split), entry.CompressedSize, entry.UncompressedSize,
            entry.ExactLocalTime.empty() ? RepairedDate(entry.DosDateTime) : entry.ExactLocalTime};
}

// Archive order and central-directory order may differ (the reader keeps entries by
// position), so both sides are compared sorted.
std::vector<ListedEntry> ListWithEngine(const std::string& archive) {
    TUnZipper zipper;
    zipper.SetZipName(archive);
    zipper.ReadZip();
    std::vector<ListedEntry> listed;
    for (int i = 0; i < zipper.Count(); ++i) {
        // zipinfo shows no NTFS time: an entry with nothing more exact is shown by its DOS
        // date-time there.
        const TZipHeaderInfo& entry = zipper.EntryInfo(i);
        const bool ntfsOnly = !FindExtraField(entry.CentralExtra, kExtraExtendedTimestamp) &&
                              FindExtraField(entry.CentralExtra, kExtraNtfs);
        const TDateTime date = ntfsOnly ? DosDateTimeToDateTime(entry.DosDateTime).value_or(Now())
                                        : zipper.EntryDateTime(i);
        listed.push_back({AsZipinfoPrints(zipper.EntryPath(i)),
                          AsZipinfoPrints(zipper.EntryFileName(i)), zipper.EntryCompressedSize(i),
                          zipper.EntryUncompressedSize(i), LocalTimeText(date)});
    }
    std::sort(listed.begin(), listed.end());
    return listed;
}

std::vector<ListedEntry> ListWithZipinfo(const std::filesystem::path& archive) {
    const test::ZipinfoListing listing = test::RunZipinfo(archive);
    EXPECT_LE(listing.ExitCode, 1) << listing.Output;  // 1: a warning (empty, prefix bytes)
    std::vector<ListedEntry> listed;
    for (const auto& entry : listing.Entries) {
        listed.push_back(FromZipinfo(entry));
    }
    std::sort(listed.begin(), listed.end());
    return listed;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

bool IsSplitPart(const ManifestRow& row) {
    return Contains(row.Features, "[split set");
}

// Archives whose directory a reader is expected to read (whatever their data holds).
bool HasReadableDirectory(const ManifestRow& row) {
    const std::string& outcome = row.ExpectedOutcome;
    return !IsSplitPart(row) && !Contains(outcome, "not a zip") &&
           !Contains(outcome, "incomplete:") && !Contains(outcome, "no central directory") &&
           !Contains(outcome, "EOCD central-directory offset");
}

// Names this engine reads differently from zipinfo on purpose: it keeps no extra-field
// data, so a 0x7075 Unicode Path extra does not replace the stored name.
bool NamesComeFromUnicodePathExtra(const ManifestRow& row) {
    return Contains(row.Features, "0x7075");
}

TEST(ListingRealArchives, AgreesWithZipinfoOnEveryReadableArchive) {
    ASSERT_TRUE(test::HaveTool("zipinfo"));
    int compared = 0;
    for (const ManifestRow& row : test::ReadManifest()) {
        if (!HasReadableDirectory(row)) {
            continue;
        }
        SCOPED_TRACE(row.File);
        const std::filesystem::path archive = test::TestDataDir() / row.File;
        std::vector<ListedEntry> ours = ListWithEngine(archive.string());
        std::vector<ListedEntry> theirs = ListWithZipinfo(archive);
        ASSERT_EQ(ours.size(), theirs.size());
        if (NamesComeFromUnicodePathExtra(row)) {
            for (auto* side : {&ours, &theirs}) {
                for (ListedEntry& e : *side) {
                    e.Path.clear();
                    e.FileName.clear();
                }
                std::sort(side->begin(), side->end());
            }
        }
        EXPECT_EQ(ours, theirs);
        ++compared;
    }
    // Prefix, comments, data descriptors, Unix hosts and more: most of the folder.
    EXPECT_GE(compared, 55);
}

TEST(ListingRealArchives, ReadsAnArchiveBehindAProgramWhoseOffsetsWereNotAdjusted) {
    const auto archive = test::TestDataDir() / "sfx-prefix-3052-bytes-unadjusted--infozip-gen.zip";
    TUnZipper zipper;
    zipper.SetZipName(archive.string());
    zipper.ReadZip();
    EXPECT_TRUE(zipper.DirectoryRebuilt());
    ASSERT_EQ(zipper.Count(), 4);
    // The entries carry their true positions: the first one starts right after the prefix.
    EXPECT_EQ(zipper.EntryInfo(0).LocalHeaderOffset, 3052u);
    EXPECT_EQ(ListWithEngine(archive.string()), ListWithZipinfo(archive));
}

// A set whose parts are named .z01, .z02, ... and .zip, renamed into the numbered scheme
// the engine asks for (archive.001, archive.002, ...), read from its last part.
class NumberedSetTest : public testing::TestWithParam<std::string> {};

TEST_P(NumberedSetTest, ListsLikeZipinfoReadingTheOriginalLastPart) {
    const std::string base = GetParam();
    test::TempDir temp;
    std::vector<std::filesystem::path> parts;
    for (int n = 1;; ++n) {
        char ext[16];
        std::snprintf(ext, sizeof ext, ".z%02d", n);
        const auto part = test::TestDataDir() / (base + ext);
        if (!std::filesystem::exists(part)) {
            break;
        }
        parts.push_back(part);
    }
    parts.push_back(test::TestDataDir() / (base + ".zip"));
    std::string last;
    for (size_t i = 0; i < parts.size(); ++i) {
        char ext[32];
        std::snprintf(ext, sizeof ext, ".%03zu", i + 1);
        last = (temp / ("set" + std::string(ext))).string();
        std::filesystem::copy_file(parts[i], last);
    }
    TUnZipper zipper;
    zipper.SetZipName(last);
    zipper.ReadZip();
    EXPECT_EQ(zipper.DiskCount(), static_cast<int>(parts.size()));
    EXPECT_EQ(zipper.MultiMode(), mmBlocks);
    EXPECT_EQ(ListWithEngine(last), ListWithZipinfo(parts.back()));
}

INSTANTIATE_TEST_SUITE_P(SplitSets, NumberedSetTest, testing::ValuesIn(test::PeerSplitSets()),
                         [](const auto& info) { return test::SplitSetTestName(info.param); });

}  // namespace
}  // namespace mobrel
