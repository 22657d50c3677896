// Entries past 4 GiB, from a generated source that takes no disk: the local header gets its
// ZIP64 field reserved before the data, the central header and end records carry what the
// classic fields can't, and every peer and our own reader agree on the result. A repair
// rebuilds such an archive from its local header alone.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>

#include "cli/cli_run.h"
#include "test_support.h"
#include "writer/zip64_test_support.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::kFourGiB;
using test::TempDir;

constexpr int64_t kBigSize = static_cast<int64_t>(kFourGiB) + 1;

class Zip64LargeEntry : public testing::Test {
  protected:
    Zip64LargeEntry() : started(std::chrono::steady_clock::now()) {}
    ~Zip64LargeEntry() override {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::steady_clock::now() - started);
        std::cout << "took " << seconds.count() << " s\n";
    }

    // Zips the generated big.bin (and any further real files) at packLevel.
    void ZipGenerated(int packLevel, const std::vector<std::string>& more = {}) {
        const std::string placeholder = test::MakeFile(temp.Path(), "big.bin", "");
        test::TGeneratingZipper zipper;
        zipper.Generated[placeholder] = kBigSize;
        zipper.SetZipName(Archive().string());
        zipper.SetRootDir(temp.Path().string());
        zipper.SetRelativePaths(true);
        zipper.SetPackLevel(packLevel);
        zipper.FilesList() = {placeholder};
        zipper.FilesList().insert(zipper.FilesList().end(), more.begin(), more.end());
        ASSERT_EQ(zipper.Zip(), static_cast<int>(1 + more.size()));
    }
    // Our reader lists the big entry's size and tests every entry.
    void ExpectOurReaderAgrees(const fs::path& archive) {
        const test::CliRun listed = test::RunCli({"list", "-v", archive.string()});
        ASSERT_EQ(listed.Status, 0) << listed.Err;
        EXPECT_TRUE(listed.Out.starts_with("big.bin\t" + std::to_string(kBigSize) + "\t"))
            << listed.Out;
        const test::CliRun tested = test::RunCli({"test", archive.string()});
        EXPECT_EQ(tested.Status, 0) << tested.Out << tested.Err;
    }
    fs::path Archive() const { return temp / "big.zip"; }

    std::chrono::steady_clock::time_point started;
    TempDir temp;
};

TEST_F(Zip64LargeEntry, DeflatedPastFourGibibytesKeepsTheLocalFieldReservedBeforeTheData) {
    ZipGenerated(1);
    const std::vector<test::PeerRecord> records = test::PythonRecords(Archive());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Size, static_cast<uint64_t>(kBigSize));
    EXPECT_LT(records[0].CompressedSize, uint64_t{64} << 20);
    // Reserved before the size was known, so it is there although the compressed size fits.
    EXPECT_TRUE(test::HasZip64Field(records[0].LocalExtra));
    EXPECT_TRUE(test::HasZip64Field(records[0].CentralExtra));
    EXPECT_FALSE(test::HasZip64EndRecords(Archive()));
    test::ExpectEveryPeerPasses(Archive());
    ExpectOurReaderAgrees(Archive());
}

TEST_F(Zip64LargeEntry, DeflatedPastFourGibibytesIsRepairedFromItsLocalHeaderAlone) {
    ZipGenerated(1);
    const std::vector<test::PeerRecord> records = test::PythonRecords(Archive());
    ASSERT_EQ(records.size(), 1u);
    // Without its directory and end records the archive is only its local header and data:
    // the sizes a repair needs are in the local ZIP64 field.
    const fs::path damaged = temp / "damaged.zip";
    fs::rename(Archive(), damaged);
    fs::resize_file(damaged, records[0].CompressedSize + 30 + 7 + records[0].LocalExtra.size());
    const fs::path fixed = temp / "fixed.zip";
    const test::CliRun fix = test::RunCli({"fix", damaged.string(), fixed.string()});
    EXPECT_EQ(fix.Status, 0) << fix.Out << fix.Err;
    test::ExpectEveryPeerPasses(fixed);
    ExpectOurReaderAgrees(fixed);
}

TEST_F(Zip64LargeEntry, StoredPastFourGibibytesPutsTheNextHeaderAndTheDirectoryPastThemToo) {
    const std::string small = test::MakeFile(temp.Path(), "small.txt", "after the big one\n");
    ZipGenerated(0, {small});
    const std::vector<test::PeerRecord> records = test::PythonRecords(Archive());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Size, static_cast<uint64_t>(kBigSize));
    EXPECT_EQ(records[0].CompressedSize, static_cast<uint64_t>(kBigSize));
    EXPECT_TRUE(test::HasZip64Field(records[0].LocalExtra));
    // The small file's header lies past 4 GiB: only its central offset needs the field.
    EXPECT_GT(records[1].HeaderOffset, kFourGiB);
    EXPECT_TRUE(test::HasZip64Field(records[1].CentralExtra));
    EXPECT_FALSE(test::HasZip64Field(records[1].LocalExtra));
    EXPECT_TRUE(test::HasZip64EndRecords(Archive()));
    test::ExpectEveryPeerPasses(Archive());
    ExpectOurReaderAgrees(Archive());
}

}  // namespace
}  // namespace mobrel
