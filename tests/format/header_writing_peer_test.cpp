// Archives assembled from the records' own WriteLocal, WriteCentral and WriteEndCentral,
// read back by Python's zipfile, Info-ZIP's zipinfo and unzip.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "format/end_central.h"
#include "format/zip_header_info.h"
#include "platform/memory_stream.h"
#include "reader/python_zip_listing.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second) {
    return static_cast<uint32_t>((year - 1980) << 25 | month << 21 | day << 16 | hour << 11 |
                                 minute << 5 | second / 2);
}

struct PlannedEntry {
    std::string Directory;
    std::string FileName;
    std::string Data;
    uint32_t ExternalAttributes = 0x20;
    uint32_t DateTime = DosDateTime(2024, 3, 15, 12, 34, 56);
    std::optional<std::string> Comment = std::nullopt;
};

struct WrittenArchive {
    std::vector<std::unique_ptr<TZipHeaderInfo>> Records;
    fs::path Path;
};

// A stored archive made the way the writer makes one: local header and data per entry,
// then the central directory and the end record.
void WriteStoredArchive(const std::vector<PlannedEntry>& plan, const std::string& comment,
                        const fs::path& path, WrittenArchive& archive) {
    TMemoryStream out;
    for (const PlannedEntry& planned : plan) {
        auto record = std::make_unique<TZipHeaderInfo>();
        record->SetDirectory(planned.Directory);
        record->SetFileName(planned.FileName);
        record->CompressionMethod = 0;
        record->DosDateTime = planned.DateTime;
        record->CRC32 =
            static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(planned.Data.data()),
                                        static_cast<uInt>(planned.Data.size())));
        record->CompressedSize = static_cast<uint32_t>(planned.Data.size());
        record->UncompressedSize = static_cast<uint32_t>(planned.Data.size());
        record->ExternalAttributes = planned.ExternalAttributes;
        record->SetFileComment(planned.Comment);
        record->WriteLocal(out);
        out.WriteBuffer(planned.Data.data(), std::ssize(planned.Data));
        archive.Records.push_back(std::move(record));
    }
    TEndCentral end;
    end.CentralOffset = static_cast<uint32_t>(out.Position());
    for (const auto& record : archive.Records) {
        record->WriteCentral(out);
    }
    end.CentralSize = static_cast<uint32_t>(out.Position() - end.CentralOffset);
    end.TotalEntries = static_cast<uint16_t>(plan.size());
    end.EntriesThisDisk = end.TotalEntries;
    end.SetComment(comment);
    end.WriteEndCentral(out);
    test::WriteFileBytes(path, out.Bytes());
    archive.Path = path;
}

// zipinfo -v: per entry, its "label: value" lines.
std::vector<std::map<std::string, std::string>> ZipinfoEntries(const fs::path& archive) {
    const test::CommandResult run = test::RunCommand("zipinfo -v " + test::ShellQuote(archive));
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    std::vector<std::map<std::string, std::string>> entries;
    std::istringstream lines(run.Output);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("Central directory entry #", 0) == 0) {
            entries.emplace_back();
            continue;
        }
        const size_t colon = line.find(":  ");
        if (entries.empty() || line.rfind("  ", 0) != 0 || colon == std::string::npos) {
            continue;
        }
        const std::string label = line.substr(2, colon - 2);
        const size_t value = line.find_first_not_of(' ', colon + 1);
        entries.back()[label] = value == std::string::npos ? "" : line.substr(value);
    }
    return entries;
}

std::string ZipinfoDate(uint32_t dos) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%u %s %u %02u:%02u:%02u", (dos >> 25) + 1980,
                  kMonths[((dos >> 21) & 15) - 1], (dos >> 16) & 31, (dos >> 11) & 31,
                  (dos >> 5) & 63, (dos & 31) * 2);
    return text;
}

std::string Hex(uint32_t value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", width, value);
    return text;
}

std::string WithSlashes(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

class HeaderWritingPeerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* tool : {"python3", "zipinfo", "unzip"}) {
            ASSERT_TRUE(test::HaveTool(tool)) << tool;
        }
    }
    test::TempDir scratch_;
};

TEST_F(HeaderWritingPeerTest, StoredArchiveReadsBackTheSameInZipfileZipinfoAndUnzip) {
    std::string binary;
    for (int i = 0; i < 3000; ++i) {
        binary += static_cast<char>(i * 7 % 251);
    }
    const std::vector<PlannedEntry> plan = {
        {"docs", "readme.txt", "hello, zip\n", 0x20, DosDateTime(2024, 3, 15, 12, 34, 56),
         "first file"},
        {"bin\\", "data.bin", binary, 0x21, DosDateTime(1999, 12, 31, 23, 59, 58), {}},
        {"emptydir", "", "", 0x10, DosDateTime(2010, 6, 1, 8, 0, 0), {}},
        {"", "top.txt", "", 0x20, DosDateTime(1980, 1, 1, 0, 0, 0), {}},
    };
    WrittenArchive archive;
    WriteStoredArchive(plan, "made by the records test", scratch_ / "written.zip", archive);

    const test::PythonZipListing peer = test::ListWithPython(archive.Path, true);
    ASSERT_TRUE(peer.Ok) << peer.Error;
    EXPECT_EQ(peer.TestResult, "None");
    EXPECT_EQ(peer.Comment, "made by the records test");
    ASSERT_EQ(peer.Entries.size(), plan.size());
    const auto zipinfo = ZipinfoEntries(archive.Path);
    ASSERT_EQ(zipinfo.size(), plan.size());
    for (size_t i = 0; i < plan.size(); ++i) {
        SCOPED_TRACE(plan[i].FileName);
        const TZipHeaderInfo& record = *archive.Records[i];
        const test::PythonZipEntry& entry = peer.Entries[i];
        EXPECT_EQ(entry.Name, WithSlashes(record.FullName()));
        EXPECT_EQ(entry.VersionMadeBy, 20u);
        EXPECT_EQ(entry.VersionNeeded, 20u);
        EXPECT_EQ(entry.Flags, 0u);
        EXPECT_EQ(entry.Method, 0u);
        EXPECT_EQ(entry.DosDateTime, plan[i].DateTime);
        EXPECT_EQ(entry.Crc, record.CRC32);
        EXPECT_EQ(entry.CompressedSize, plan[i].Data.size());
        EXPECT_EQ(entry.UncompressedSize, plan[i].Data.size());
        EXPECT_EQ(entry.ExtraLength, 0u);
        EXPECT_EQ(entry.Comment, plan[i].Comment.value_or(""));
        EXPECT_EQ(entry.InternalAttributes, 1u);
        EXPECT_EQ(entry.ExternalAttributes, plan[i].ExternalAttributes);
        EXPECT_EQ(entry.HeaderOffset, record.LocalHeaderOffset);

        const auto& info = zipinfo[i];
        EXPECT_EQ(info.at("offset of local header from start of archive"),
                  std::to_string(record.LocalHeaderOffset));
        EXPECT_EQ(info.at("version of encoding software"), "2.0");
        EXPECT_EQ(info.at("compression method"), "none (stored)");
        EXPECT_EQ(info.at("file last modified on (DOS date/time)"), ZipinfoDate(plan[i].DateTime));
        EXPECT_EQ(info.at("32-bit CRC value (hex)"), Hex(record.CRC32, 8));
        EXPECT_EQ(info.at("compressed size"), std::to_string(plan[i].Data.size()) + " bytes");
        EXPECT_EQ(info.at("length of filename"),
                  std::to_string(record.FileNameLength) + " characters");
        EXPECT_EQ(info.at("length of extra field"), "0 bytes");
        EXPECT_EQ(info.at("length of file comment"),
                  std::to_string(plan[i].Comment.value_or("").size()) + " characters");
        EXPECT_EQ(
            info.count("MS-DOS file attributes (" + Hex(plan[i].ExternalAttributes, 2) + " hex)"),
            1u);
    }
    const test::CommandResult tested =
        test::RunCommand("unzip -tq " + test::ShellQuote(archive.Path));
    EXPECT_EQ(tested.ExitCode, 0) << tested.Output;
}

TEST_F(HeaderWritingPeerTest, FreshRecordIsListedWithTheDefaults) {
    TMemoryStream out;
    TZipHeaderInfo record;
    record.SetFileName("defaults.bin");
    record.WriteLocal(out);
    TEndCentral end;
    end.CentralOffset = static_cast<uint32_t>(out.Position());
    record.WriteCentral(out);
    end.CentralSize = static_cast<uint32_t>(out.Position() - end.CentralOffset);
    end.TotalEntries = end.EntriesThisDisk = 1;
    end.WriteEndCentral(out);
    const fs::path path = scratch_ / "defaults.zip";
    test::WriteFileBytes(path, out.Bytes());

    const test::PythonZipListing peer = test::ListWithPython(path);
    ASSERT_TRUE(peer.Ok) << peer.Error;
    ASSERT_EQ(peer.Entries.size(), 1u);
    const test::PythonZipEntry& entry = peer.Entries[0];
    EXPECT_EQ(entry.Name, "defaults.bin");
    EXPECT_EQ(entry.VersionMadeBy, 20u);
    EXPECT_EQ(entry.VersionNeeded, 20u);
    EXPECT_EQ(entry.Method, 8u);
    EXPECT_EQ(entry.Crc, 0xFFFFFFFFu);
    EXPECT_EQ(entry.InternalAttributes, 1u);
    EXPECT_EQ(entry.ExternalAttributes, 32u);
    const auto zipinfo = ZipinfoEntries(path);
    ASSERT_EQ(zipinfo.size(), 1u);
    EXPECT_EQ(zipinfo[0].at("compression method"), "deflated");
    EXPECT_EQ(zipinfo[0].at("32-bit CRC value (hex)"), "ffffffff");
    EXPECT_EQ(zipinfo[0].count("MS-DOS file attributes (20 hex)"), 1u);
}

TEST_F(HeaderWritingPeerTest, NamesArriveUnderTheirOwnNames) {
    const std::vector<PlannedEntry> plan = {
        {"", "café.txt", "latin\n"},
        {"", "名前.txt", "utf-8\n"},
        {"ünï", "Ελληνικά.txt", "greek\n"},
    };
    WrittenArchive archive;
    WriteStoredArchive(plan, "", scratch_ / "names.zip", archive);
    EXPECT_EQ(archive.Records[0]->GeneralFlags & 0x0800, 0x0800);
    EXPECT_EQ(archive.Records[1]->GeneralFlags & 0x0800, 0x0800);
    EXPECT_EQ(archive.Records[2]->GeneralFlags & 0x0800, 0x0800);

    const test::PythonZipListing peer = test::ListWithPython(archive.Path, true);
    ASSERT_TRUE(peer.Ok) << peer.Error;
    EXPECT_EQ(peer.TestResult, "None");
    ASSERT_EQ(peer.Entries.size(), 3u);
    EXPECT_EQ(peer.Entries[0].Name, "café.txt");
    EXPECT_EQ(peer.Entries[1].Name, "名前.txt");
    EXPECT_EQ(peer.Entries[2].Name, "ünï/Ελληνικά.txt");

    const fs::path target = scratch_ / "out";
    fs::create_directory(target);
    const test::CommandResult unzipped = test::RunCommand(
        "unzip -qq -o " + test::ShellQuote(archive.Path) + " -d " + test::ShellQuote(target));
    ASSERT_EQ(unzipped.ExitCode, 0) << unzipped.Output;
    // Every name arrives as valid UTF-8, a name CP437 could hold as well.
    EXPECT_TRUE(fs::exists(target / "café.txt"));
    EXPECT_TRUE(fs::exists(target / "名前.txt"));
    EXPECT_TRUE(fs::exists(target / "ünï" / "Ελληνικά.txt"));
    EXPECT_EQ(test::ReadFileBytes(target / "名前.txt"),
              std::vector<uint8_t>({'u', 't', 'f', '-', '8', '\n'}));
}

}  // namespace
}  // namespace mobrel
