// The directory's orders: which record comes first in each mode, where records with equal
// keys stand, and the physical directory's refusal of two entries at one place.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/compression_rate.h"
#include "format/sorted_zip.h"
#include "platform/engine_errors.h"

namespace mobrel {
namespace {

using ::testing::ElementsAre;

// DOS date-time of a day in 2024 at noon.
uint32_t Day2024(int month, int day) {
    return static_cast<uint32_t>((2024 - 1980) << 25 | month << 21 | day << 16 | 12 << 11);
}

struct TEntrySpec {
    std::string Directory;
    std::string FileName;
    uint32_t Offset = 0;
    uint32_t Compressed = 0;
    uint32_t Uncompressed = 0;
    uint32_t DateTime = 0;
    uint16_t Disk = 0;
};

// Records in physical order, as the reader fills a view: one by one from the physical list.
class SortedZipTest : public ::testing::Test {
  protected:
    void AddPhysical(const TEntrySpec& spec) {
        auto* record = new TZipHeaderInfo;
        record->SetDirectory(spec.Directory);
        record->SetFileName(spec.FileName);
        record->LocalHeaderOffset = spec.Offset;
        record->CompressedSize = spec.Compressed;
        record->UncompressedSize = spec.Uncompressed;
        record->DosDateTime = spec.DateTime;
        record->DiskNumberStart = spec.Disk;
        physical_.Add(record);
    }

    // The order a view in this mode shows, by file name.
    std::vector<std::string> View(TZipSortMode mode) {
        TSortedZip view(dupAccept, mode);
        view.SetOwnsObjects(false);
        for (TZipHeaderInfo* record : physical_) {
            view.Add(record);
        }
        std::vector<std::string> names;
        for (const TZipHeaderInfo* record : view) {
            names.push_back(record->FileName());
        }
        return names;
    }

    TSortedZip physical_{dupError, ByNone};
};

TEST_F(SortedZipTest, ArchiveOrderIsDiskThenOffsetWhateverTheAddingOrder) {
    AddPhysical({"", "c", 100, 0, 0, 0, 1});
    AddPhysical({"", "b", 500, 0, 0, 0, 0});
    AddPhysical({"", "a", 0, 0, 0, 0, 1});
    AddPhysical({"", "d", 0x90000000, 0, 0, 0, 0});  // past 2 GiB: still after 500
    AddPhysical({"", "e", 20, 0, 0, 0, 0});
    EXPECT_THAT(View(ByNone), ElementsAre("e", "b", "d", "a", "c"));
}

TEST_F(SortedZipTest, TwoEntriesAtOneDiskAndOffsetAreADuplicate) {
    AddPhysical({"", "first", 64, 0, 0, 0, 0});
    AddPhysical({"", "other disk", 64, 0, 0, 0, 1});
    auto clash = std::make_unique<TZipHeaderInfo>();
    clash->LocalHeaderOffset = 64;
    try {
        physical_.Add(clash.get());
        FAIL() << "the second entry at disk 0, offset 64 was accepted";
    } catch (const EListError& error) {
        EXPECT_STREQ(error.what(), "Duplicate Object index");
    }
    EXPECT_EQ(physical_.Count(), 2);
}

TEST_F(SortedZipTest, TextOrdersFoldAsciiOnlyAndPutLaterEqualsFirst) {
    AddPhysical({"Docs", "b.txt", 0});
    AddPhysical({"docs", "B.TXT", 10});
    AddPhysical({"", "a.txt", 20});
    AddPhysical({"docs\\", "_x.txt", 30});  // '_' (0x5F) sorts after the letters
    AddPhysical({"Émile", "a.txt", 40});    // bytes above 127 by value: last
    EXPECT_THAT(View(ByName), ElementsAre("a.txt", "B.TXT", "b.txt", "_x.txt", "a.txt"));
    EXPECT_THAT(View(ByFileName), ElementsAre("a.txt", "a.txt", "B.TXT", "b.txt", "_x.txt"));
    EXPECT_THAT(View(ByDirectoryName), ElementsAre("a.txt", "_x.txt", "B.TXT", "b.txt", "a.txt"));
}

TEST_F(SortedZipTest, DateOrderIsNewestFirstWithEqualDatesInArchiveOrder) {
    AddPhysical({"", "march-1", 0, 0, 0, Day2024(3, 1)});
    AddPhysical({"", "july", 10, 0, 0, Day2024(7, 1)});
    AddPhysical({"", "march-2", 20, 0, 0, Day2024(3, 1)});
    AddPhysical({"", "no-date", 30, 0, 0, Day2024(2, 30)});  // 30 February: no date at all
    AddPhysical({"", "march-3", 40, 0, 0, Day2024(3, 1)});
    EXPECT_THAT(View(ByDate), ElementsAre("july", "march-1", "march-2", "march-3", "no-date"));
}

TEST_F(SortedZipTest, SizeOrdersAreLargestFirstWithEqualSizesInArchiveOrder) {
    AddPhysical({"", "small", 0, 10, 900});
    AddPhysical({"", "big-1", 10, 5000, 100});
    AddPhysical({"", "huge", 20, 0xC0000000, 0});  // past 2 GiB: still the largest
    AddPhysical({"", "big-2", 30, 5000, 100});
    EXPECT_THAT(View(ByCompressedSize), ElementsAre("huge", "big-1", "big-2", "small"));
    EXPECT_THAT(View(ByUnCompressedSize), ElementsAre("small", "big-1", "big-2", "huge"));
}

TEST_F(SortedZipTest, RateOrderIsHighestFirstWithEqualRatesLaterFirst) {
    AddPhysical({"", "half-1", 0, 50, 100});
    AddPhysical({"", "empty", 10, 0, 0});
    AddPhysical({"", "stored", 20, 70, 70});
    AddPhysical({"", "half-2", 30, 500, 1000});
    EXPECT_THAT(View(ByRate), ElementsAre("stored", "half-2", "half-1", "empty"));
}

TEST(CompressionRateTest, RoundsToNearestWithTiesToEvenAndCapsAt100) {
    EXPECT_EQ(CompressionRate(0, 0), 0);
    EXPECT_EQ(CompressionRate(-5, 3), 0);
    EXPECT_EQ(CompressionRate(200, 1), 0);  // 0.5 -> 0
    EXPECT_EQ(CompressionRate(200, 3), 2);  // 1.5 -> 2
    EXPECT_EQ(CompressionRate(200, 5), 2);  // 2.5 -> 2
    EXPECT_EQ(CompressionRate(3, 1), 33);   // 33.3
    EXPECT_EQ(CompressionRate(3, 2), 67);   // 66.7
    EXPECT_EQ(CompressionRate(100, 150), 100);
    EXPECT_EQ(CompressionRate(0xFFFFFFFF, 0xFFFFFFFE), 100);
    EXPECT_EQ(CompressionRate(0xFFFFFFFF, 0x7FFFFFFF), 50);
}

}  // namespace
}  // namespace mobrel
