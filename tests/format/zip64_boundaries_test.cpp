// The classic fields' largest value is their ZIP64 sentinel (0xFFFFFFFF, 0xFFFF): a size,
// offset or count that reaches it goes into the ZIP64 field or end record, one below it
// stays classic. Each boundary is written and read back, the value and the record's shape.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "format/end_central.h"
#include "format/header_bytes.h"
#include "format/zip_header_info.h"
#include "platform/memory_stream.h"

namespace mobrel {
namespace {

using test::Get16;
using test::Get32;

constexpr uint64_t kFourGiB = uint64_t{1} << 32;
const std::vector<uint64_t> kWideEdge = {kFourGiB - 2, kFourGiB - 1, kFourGiB, kFourGiB + 1};
const std::vector<uint64_t> kCountEdge = {65534, 65535, 65536, 65537};

// Whether an extra-field area holds a ZIP64 field (tag 1).
bool HasZip64Field(const std::string& area) {
    for (size_t at = 0; at + 4 <= area.size();) {
        const auto byte = [&](size_t i) { return static_cast<uint8_t>(area[i]); };
        if ((byte(at) | byte(at + 1) << 8) == 1) {
            return true;
        }
        at += 4 + (byte(at + 2) | byte(at + 3) << 8);
    }
    return false;
}

struct WrittenEntry {
    std::vector<uint8_t> Local;
    std::vector<uint8_t> Central;
    TZipHeaderInfo ReadBack;
};

// A stored entry of the given sizes at the given offset: both headers as written, and the
// entry its central header reads back as.
WrittenEntry WriteEntry(uint64_t uncompressed, uint64_t compressed, uint64_t offset) {
    TZipHeaderInfo entry;
    entry.SetFileName("edge.bin");
    entry.CompressionMethod = 0;
    entry.UncompressedSize = uncompressed;
    entry.CompressedSize = compressed;
    TMemoryStream local;
    entry.WriteLocal(local);
    entry.LocalHeaderOffset = offset;
    TMemoryStream central;
    entry.WriteCentral(central);
    WrittenEntry written{local.Bytes(), central.Bytes(), {}};
    TMemoryStream again(central.Bytes());
    EXPECT_TRUE(written.ReadBack.ReadCentral(again));
    return written;
}

std::string ExtraOf(const std::vector<uint8_t>& header, size_t fixedSize, size_t nameLengthAt) {
    const size_t extraAt = fixedSize + Get16(header, nameLengthAt);
    return {
        header.begin() + static_cast<std::ptrdiff_t>(extraAt),
        header.begin() + static_cast<std::ptrdiff_t>(extraAt + Get16(header, nameLengthAt + 2))};
}

TEST(Zip64Boundaries, EachSizeAndOffsetTakesTheFieldExactlyFromTheSentinelOn) {
    for (const uint64_t value : kWideEdge) {
        SCOPED_TRACE(value);
        const bool wide = value >= 0xFFFFFFFF;
        const uint32_t classic = wide ? 0xFFFFFFFF : static_cast<uint32_t>(value);
        for (const bool compressedToo : {false, true}) {
            const uint64_t compressed = compressedToo ? value : 1000;
            const WrittenEntry entry = WriteEntry(value, compressed, 0);
            EXPECT_EQ(Get32(entry.Central, 24), classic);
            EXPECT_EQ(Get32(entry.Central, 20), compressedToo ? classic : 1000u);
            EXPECT_EQ(HasZip64Field(ExtraOf(entry.Central, 46, 28)), wide);
            // A local field holds both sizes whenever it holds either.
            EXPECT_EQ(HasZip64Field(ExtraOf(entry.Local, 30, 26)), wide);
            EXPECT_EQ(Get32(entry.Local, 18), wide ? 0xFFFFFFFF : Get32(entry.Central, 20));
            EXPECT_EQ(entry.ReadBack.UncompressedSize, value);
            EXPECT_EQ(entry.ReadBack.CompressedSize, compressed);
        }
        const WrittenEntry placed = WriteEntry(10, 10, value);
        EXPECT_EQ(Get32(placed.Central, 42), classic);
        EXPECT_EQ(HasZip64Field(ExtraOf(placed.Central, 46, 28)), wide);
        EXPECT_FALSE(HasZip64Field(ExtraOf(placed.Local, 30, 26)));
        EXPECT_EQ(placed.ReadBack.LocalHeaderOffset, value);
    }
}

// The end records as written at position 1000: the ZIP64 record and locator stand first
// exactly when a count or the directory's offset reaches its sentinel.
std::vector<uint8_t> WriteEnd(uint64_t count, uint64_t centralOffset) {
    TEndCentral end;
    end.EntriesThisDisk = count;
    end.TotalEntries = count;
    end.CentralSize = 46 * count;
    end.CentralOffset = centralOffset;
    TMemoryStream stream;
    stream.SetSize(1000);
    stream.Seek(1000, soBeginning);
    end.WriteEndCentral(stream);
    return {stream.Bytes().begin() + 1000, stream.Bytes().end()};
}

TEST(Zip64Boundaries, TheEndRecordCountsAndPlacesTheDirectoryClassicallyOnlyBelowTheSentinels) {
    for (const uint64_t count : kCountEdge) {
        SCOPED_TRACE(count);
        const std::vector<uint8_t> bytes = WriteEnd(count, 5000);
        const bool wide = count >= 0xFFFF;
        ASSERT_EQ(bytes.size(), wide ? 56u + 20 + 22 : 22u);
        const size_t classic = bytes.size() - 22;
        EXPECT_EQ(Get16(bytes, classic + 8), wide ? 0xFFFF : count);
        EXPECT_EQ(Get16(bytes, classic + 10), wide ? 0xFFFF : count);
        if (wide) {
            EXPECT_EQ(Get32(bytes, 0), 0x06064B50u);
            EXPECT_EQ(Get32(bytes, 32) | uint64_t{Get32(bytes, 36)} << 32, count);
            // The locator points at the ZIP64 record where it was written.
            EXPECT_EQ(Get32(bytes, 56 + 8), 1000u);
        }
    }
    for (const uint64_t offset : kWideEdge) {
        SCOPED_TRACE(offset);
        const std::vector<uint8_t> bytes = WriteEnd(1, offset);
        const bool wide = offset >= 0xFFFFFFFF;
        ASSERT_EQ(bytes.size(), wide ? 56u + 20 + 22 : 22u);
        EXPECT_EQ(Get32(bytes, bytes.size() - 22 + 16),
                  wide ? 0xFFFFFFFF : static_cast<uint32_t>(offset));
        if (wide) {
            EXPECT_EQ(Get32(bytes, 48) | uint64_t{Get32(bytes, 52)} << 32, offset);
        }
    }
}

}  // namespace
}  // namespace mobrel
