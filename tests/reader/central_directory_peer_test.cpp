// The central directories of archives made by other tools, read with FindEndCentral and
// ReadCentral, against what Python's zipfile reports for the same files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "format/end_central.h"
#include "format/zip64_end_records.h"
#include "format/zip_header_info.h"
#include "platform/memory_stream.h"
#include "platform/sanitize_dos_date_time.h"
#include "reader/python_zip_listing.h"
#include "test_support.h"

namespace mobrel {
namespace {

using test::ManifestRow;
using test::PythonZipEntry;

// Archives whose directory a peer reads: not split parts (a set is read across its files),
// and not files zipfile cannot open at all.
bool IsReadableSingleArchive(const ManifestRow& row) {
    return row.File.rfind("split-", 0) != 0 && row.Features.rfind("[split set", 0) != 0 &&
           row.PythonZipfile.rfind("open failed", 0) != 0;
}

std::string InMemoryName(std::string stored) {
    std::replace(stored.begin(), stored.end(), '/', '\\');
    return stored;
}

struct DirectoryRead {
    TEndCentral End;
    int64_t Shift = 0;  // bytes in front of the archive that its offsets don't count
    std::vector<std::unique_ptr<TZipHeaderInfo>> Records;
};

template <typename TImage>
bool ReadImageAt(TStream& stream, int64_t position, TImage& image) {
    if (position < 0) {
        return false;
    }
    stream.Seek(position, soBeginning);
    return stream.Read(image.data(), std::ssize(image)) == std::ssize(image);
}

// Where the directory ends: at the ZIP64 end record when a locator stands before the end
// record (found right before the locator, as zipfile looks for it, so that bytes put in
// front of the archive don't move it), else at the end record. The ZIP64 record's values
// replace the saturated ones.
int64_t DirectoryEnd(TMemoryStream& stream, TEndCentral& end) {
    const int64_t endRecord = int64_t{end.CommentOffset} - 22;
    TZip64Locator::TImage locatorImage{};
    TZip64End::TImage wideImage{};
    const int64_t wideAt = end.LocatorPosition() - static_cast<int64_t>(kZip64EndSize);
    if (!ReadImageAt(stream, end.LocatorPosition(), locatorImage) ||
        !TZip64Locator::FromImage(locatorImage) || !ReadImageAt(stream, wideAt, wideImage)) {
        return endRecord;
    }
    const std::optional<TZip64End> wide = TZip64End::FromImage(wideImage);
    return wide && end.TakeZip64(*wide) ? wideAt : endRecord;
}

// Reads every central header. An archive whose prefix was added without adjusting its
// offsets has its directory right before the end record rather than at the stated offset;
// the difference is applied here, as zipfile does.
::testing::AssertionResult ReadDirectory(const std::vector<uint8_t>& bytes, DirectoryRead& read) {
    TMemoryStream stream(bytes);
    if (!read.End.FindEndCentral(stream)) {
        return ::testing::AssertionFailure() << "no end record found";
    }
    const int64_t endRecord = DirectoryEnd(stream, read.End);
    read.Shift = endRecord - static_cast<int64_t>(read.End.CentralSize + read.End.CentralOffset);
    stream.Seek(read.End.CentralOffset + read.Shift, soBeginning);
    for (uint64_t i = 0; i < read.End.TotalEntries; ++i) {
        auto record = std::make_unique<TZipHeaderInfo>();
        const int64_t position = stream.Position();
        if (!record->ReadCentral(stream)) {
            return ::testing::AssertionFailure() << "central header " << i << " unreadable";
        }
        if (record->CentralHeaderOffset != position) {
            return ::testing::AssertionFailure() << "header " << i << " position not kept";
        }
        read.Records.push_back(std::move(record));
    }
    if (stream.Position() != endRecord) {
        return ::testing::AssertionFailure()
               << "directory ends at " << stream.Position() << ", end record at " << endRecord;
    }
    return ::testing::AssertionSuccess();
}

void ExpectSameEntry(const TZipHeaderInfo& record, const PythonZipEntry& peer, int64_t shift) {
    const std::string name = InMemoryName(peer.Name);
    EXPECT_EQ(record.FullName(), name);
    EXPECT_EQ(record.FileName().find('\\'), std::string::npos);
    EXPECT_TRUE(record.Directory().empty() || record.Directory().back() == '\\');
    EXPECT_EQ(record.FileName(), name.substr(name.rfind('\\') + 1));
    EXPECT_EQ(record.VersionMadeBy, peer.VersionMadeBy);
    EXPECT_EQ(record.VersionNeeded, peer.VersionNeeded);
    EXPECT_EQ(record.GeneralFlags, peer.Flags);
    EXPECT_EQ(record.CompressionMethod, peer.Method);
    EXPECT_EQ(record.DosDateTime, SanitizeDosDateTime(peer.DosDateTime));
    EXPECT_EQ(record.CRC32, peer.Crc);
    EXPECT_EQ(record.CompressedSize, peer.CompressedSize);
    EXPECT_EQ(record.UncompressedSize, peer.UncompressedSize);
    EXPECT_EQ(record.ExtraFieldLength, peer.ExtraLength);
    EXPECT_EQ(record.FileCommentLength, peer.CommentLength);
    EXPECT_FALSE(record.FileComment().has_value());  // comments load on demand
    // zipfile gives a saturated disk number as stored; the engine takes it from the ZIP64 field.
    if (peer.Disk != 0xFFFF) {
        EXPECT_EQ(record.DiskNumberStart, peer.Disk);
    }
    EXPECT_EQ(record.InternalAttributes, peer.InternalAttributes);
    EXPECT_EQ(record.ExternalAttributes, peer.ExternalAttributes);
    EXPECT_EQ(record.LocalHeaderOffset + shift, peer.HeaderOffset);
}

TEST(CentralDirectoryPeerTest, RecordsMatchPythonZipfileForEveryReadableArchive) {
    ASSERT_TRUE(test::HaveTool("python3"));
    std::vector<std::string> names;
    std::vector<std::filesystem::path> paths;
    for (const ManifestRow& row : test::ReadManifest()) {
        if (IsReadableSingleArchive(row)) {
            names.push_back(row.File);
            paths.push_back(test::TestDataDir() / row.File);
        }
    }
    // The selection must not quietly shrink to nothing.
    ASSERT_GE(paths.size(), 50u);
    ASSERT_GE(std::count_if(
                  names.begin(), names.end(),
                  [](const std::string& name) { return name.find("zip64") != std::string::npos; }),
              9);
    const std::vector<test::PythonZipListing> listings = test::ListWithPython(paths);
    int entries = 0;
    for (size_t a = 0; a < paths.size(); ++a) {
        SCOPED_TRACE(names[a]);
        const test::PythonZipListing& peer = listings[a];
        ASSERT_TRUE(peer.Ok) << peer.Error;

        DirectoryRead read;
        ASSERT_TRUE(ReadDirectory(test::ReadFileBytes(paths[a]), read));
        EXPECT_EQ(read.End.ThisDisk, 0);
        EXPECT_EQ(read.End.CommentLength, peer.Comment.size());
        ASSERT_EQ(read.Records.size(), peer.Entries.size());
        for (size_t i = 0; i < read.Records.size(); ++i) {
            SCOPED_TRACE("entry " + std::to_string(i));
            ExpectSameEntry(*read.Records[i], peer.Entries[i], read.Shift);
        }
        entries += static_cast<int>(read.Records.size());
    }
    EXPECT_GE(entries, 300);
}

}  // namespace
}  // namespace mobrel
