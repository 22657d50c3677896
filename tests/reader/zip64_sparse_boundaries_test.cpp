// Entries and directories at the 4 GiB edge, written through the records the writer uses
// into sparse files: an entry's data is a hole of zeros, so an archive of 4 GiB takes almost
// no disk, and reading it costs only the CRC. Our reader and the peers read each alike.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "format/end_central.h"
#include "format/zip_header_info.h"
#include "platform/file_stream.h"
#include "reader/un_zipper.h"
#include "test_support.h"
#include "writer/zip64_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::kFourGiB;

// A stored entry: Data, or when it is empty, Size zeros left as a hole.
struct SparseEntry {
    std::string Name;
    uint64_t Size = 0;
    uint32_t Crc = 0;
    std::string Data;
};

constexpr uint32_t kJanuary2024 = (44u << 25) | (1u << 21) | (1u << 16);

void WriteSparseArchive(const fs::path& archive, const std::vector<SparseEntry>& entries) {
    TFileStream out(archive.string(), TFileMode::Create);
    std::vector<TZipHeaderInfo> headers(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        TZipHeaderInfo& header = headers[i];
        header.SetFileName(entries[i].Name);
        header.CompressionMethod = 0;
        header.DosDateTime = kJanuary2024;
        header.CRC32 = entries[i].Crc;
        header.UncompressedSize = entries[i].Size;
        header.CompressedSize = entries[i].Size;
        header.WriteLocal(out);
        if (entries[i].Data.empty()) {
            out.Seek(static_cast<int64_t>(entries[i].Size), soCurrent);
        } else {
            out.WriteBuffer(entries[i].Data.data(), std::ssize(entries[i].Data));
        }
    }
    const int64_t centralAt = out.Position();
    for (TZipHeaderInfo& header : headers) {
        header.WriteCentral(out);
    }
    TEndCentral end;
    end.EntriesThisDisk = end.TotalEntries = entries.size();
    end.CentralSize = static_cast<uint64_t>(out.Position() - centralAt);
    end.CentralOffset = static_cast<uint64_t>(centralAt);
    end.WriteEndCentral(out);
}

std::string Peer(const std::string& command) {
    const test::CommandResult result = test::RunCommand(command);
    EXPECT_EQ(result.ExitCode, 0) << command << "\n" << result.Output.substr(0, 2000);
    return result.Output;
}

class Zip64SparseBoundaries : public testing::Test {
  protected:
    Zip64SparseBoundaries() : started(std::chrono::steady_clock::now()) {}
    ~Zip64SparseBoundaries() override {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::steady_clock::now() - started);
        std::cout << "took " << seconds.count() << " s\n";
    }

    std::chrono::steady_clock::time_point started;
    test::TempDir temp;
};

// Stored zeros of 2^32 - 1, 2^32 and 2^32 + 1 bytes (their CRCs worked out once with
// Python's zlib) list with their sizes. The one of 2^32, whose size cut to 32 bits is 0,
// is read to its end by us and by 7zz: reading 4 GiB, even of a hole, takes seconds, and
// the other two sizes go through the same 64-bit counts.
TEST_F(Zip64SparseBoundaries, EntriesFromFourGibibytesLessOneToOneMoreAreListedAndTested) {
    ASSERT_TRUE(test::HaveTool("7zz") && test::HaveTool("python3"));
    const std::vector<std::pair<uint64_t, uint32_t>> sizes = {
        {kFourGiB - 1, 0x00000000}, {kFourGiB, 0xd202ef8d}, {kFourGiB + 1, 0x41d912ff}};
    for (const auto& [size, crc] : sizes) {
        SCOPED_TRACE(size);
        const fs::path archive = temp / "zeros.zip";
        WriteSparseArchive(archive, {{"zeros.bin", size, crc, ""}});
        TUnZipper reader;
        reader.SetZipName(archive.string());
        reader.ReadZip();
        ASSERT_EQ(reader.Count(), 1);
        EXPECT_EQ(reader.EntryUncompressedSize(0), size);
        const std::vector<test::PeerRecord> records = test::PythonRecords(archive);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].Size, size);
        EXPECT_EQ(records[0].CompressedSize, size);
        if (size == kFourGiB) {
            reader.SetDoAll(true);
            EXPECT_TRUE(reader.TestEntries(-1));
            Peer("7zz t " + test::ShellQuote(archive.string()));
        }
        fs::remove(archive);
    }
}

// The directory at 2^32 - 1, 2^32 and 2^32 + 1, behind a hole and one small file: the end
// records say where it starts (the ZIP64 ones from the sentinel on), and every reader
// finds the file behind the hole.
TEST_F(Zip64SparseBoundaries, ADirectoryFromFourGibibytesLessOneToOneMoreIsFoundByEveryReader) {
    ASSERT_TRUE(test::HaveTool("unzip") && test::HaveTool("7zz") && test::HaveTool("python3"));
    const SparseEntry after{"after.txt", 6, 0x338533db, "after\n"};
    // Local headers of 30 bytes and the name; the hole stays below the ZIP64 sentinel.
    const uint64_t before = 30 + 8 + 30 + after.Name.size() + after.Size;
    for (const uint64_t offset : {kFourGiB - 1, kFourGiB, kFourGiB + 1}) {
        SCOPED_TRACE(offset);
        const fs::path archive = temp / "far.zip";
        WriteSparseArchive(archive, {{"hole.bin", offset - before, 0, ""}, after});
        const std::vector<test::PeerRecord> records = test::PythonRecords(archive);
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[1].HeaderOffset, offset - 30 - after.Name.size() - after.Size);
        EXPECT_EQ(test::HasZip64EndRecords(archive), offset >= 0xFFFFFFFF);

        TUnZipper reader;
        reader.SetZipName(archive.string());
        reader.SetDestDir((temp / "out").string());
        reader.FilesList() = {"after.txt"};
        EXPECT_EQ(reader.UnZip(), 1);
        const std::vector<uint8_t> ours = test::ReadFileBytes(temp / "out" / "after.txt");
        EXPECT_EQ(std::string(ours.begin(), ours.end()), "after\n");
        const std::string quoted = test::ShellQuote(archive.string());
        EXPECT_EQ(Peer("unzip -p " + quoted + " after.txt"), "after\n");
        EXPECT_EQ(Peer("7zz e -so " + quoted + " after.txt 2>/dev/null"), "after\n");
        fs::remove(archive);
        fs::remove_all(temp / "out");
    }
}

}  // namespace
}  // namespace mobrel
