// Sets split over numbered block files: asking for disks, a central directory that starts
// on an earlier disk or runs over a disk boundary, the ".zfc" companion, refused and
// missing disks.
#include <gtest/gtest.h>

#include <algorithm>

#include "format/zip_builder.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "reader/un_zipper.h"
#include "test_support.h"

namespace mobrel {
namespace {

using test::Bytes;

test::ZipBuilder SetEntries() {
    test::ZipBuilder builder;
    builder.Add({"one.txt", "first file", 0x58AF6457, "comment one"});
    builder.Add({"sub/two.txt", std::string(200, '2'), 0x58AF6457, ""});
    builder.Add({"three.txt", "third", 0x58AF6457, "comment three"});
    return builder;
}

Bytes Slice(const Bytes& bytes, size_t from, size_t to) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::string> FullNames(const TUnZipper& zipper) {
    std::vector<std::string> names;
    for (int i = 0; i < zipper.Count(); ++i) {
        names.push_back(zipper.EntryFullName(i));
    }
    return names;
}

class MultiDiskTest : public testing::Test {
  protected:
    // Disk 1 holds the entries, disk 2 the central directory up to cut, disk 3 the rest of
    // it and the end record.
    void WriteSet(size_t cut, const std::string& comment = "") {
        std::vector<uint32_t> offsets;
        const Bytes locals = builder.LocalPart(offsets);
        const Bytes central = builder.CentralPart(offsets);
        const Bytes end =
            test::ZipBuilder::EndRecord(2, 1, static_cast<uint16_t>(builder.Count()),
                                        static_cast<uint32_t>(central.size()), 0, comment);
        test::WriteFileBytes(Disk(1), locals);
        cut = std::min(cut, central.size());
        test::WriteFileBytes(Disk(2), Slice(central, 0, cut));
        test::WriteFileBytes(Disk(3), Concat(Slice(central, cut, central.size()), end));
        centralSize = central.size();
    }
    std::string Disk(int n) const { return (temp / ("set.00" + std::to_string(n))).string(); }
    void RecordAskedDisks() {
        const TGetNextDiskEvent defaultHandler = zipper.OnGetNextDisk;
        zipper.OnGetNextDisk = [this, defaultHandler](TUnZipper& sender, int disk,
                                                      std::string& name) {
            asked.push_back(disk);
            defaultHandler(sender, disk, name);
        };
    }

    test::TempDir temp;
    test::ZipBuilder builder = SetEntries();
    size_t centralSize = 0;
    TUnZipper zipper;
    std::vector<int> asked;
};

const std::vector<std::string> kSetNames = {"one.txt", "sub\\two.txt", "three.txt"};

TEST_F(MultiDiskTest, CentralDirectoryRunningOverADiskBoundaryIsReadAcrossIt) {
    WriteSet(30, "set comment");  // the cut falls inside the first central header
    RecordAskedDisks();
    zipper.SetZipName(Disk(3));
    zipper.ReadZip();
    EXPECT_EQ(asked, (std::vector<int>{2, 3}));
    EXPECT_EQ(FullNames(zipper), kSetNames);
    EXPECT_EQ(zipper.MultiMode(), mmBlocks);
    EXPECT_EQ(zipper.DiskCount(), 3);
    EXPECT_EQ(zipper.CurrentDisk(), 2);
    EXPECT_EQ(zipper.ZipName(), Disk(3));
    // Comments of a set are read with the directory, also the one of the header that the
    // disk boundary cut.
    EXPECT_EQ(zipper.EntryComment(0), "comment one");
    EXPECT_EQ(zipper.EntryComment(2), "comment three");
    EXPECT_EQ(zipper.ZipComment(), "set comment");
    EXPECT_FALSE(zipper.CommentsModified());
}

TEST_F(MultiDiskTest, CurrentDiskNamesTheDiskThatIsOpenAfterTheRead) {
    WriteSet(std::string::npos);  // the whole directory on disk 2, the end record alone on 3
    zipper.SetZipName(Disk(3));
    zipper.ReadZip();
    EXPECT_EQ(FullNames(zipper), kSetNames);
    // Disk 2 was opened for the directory: that is the file ZipName and CurrentDisk name,
    // so extraction knows to ask for disk 1 before reading an entry.
    EXPECT_EQ(zipper.ZipName(), Disk(2));
    EXPECT_EQ(zipper.CurrentDisk(), 1);
    EXPECT_EQ(zipper.DiskCount(), 3);
}

TEST_F(MultiDiskTest, ARefusedDiskCancelsTheRead) {
    WriteSet(30);
    zipper.OnGetNextDisk = [](TUnZipper&, int, std::string& name) { name.clear(); };
    zipper.SetZipName(Disk(3));
    try {
        zipper.ReadZip();
        FAIL();
    } catch (const EUserCanceled& error) {
        EXPECT_STREQ(error.what(), "User canceled loading new disk.");
    }
    EXPECT_EQ(zipper.ZipName(), "");
}

TEST_F(MultiDiskTest, AMissingBlockFileIsReportedNotAskedForForever) {
    WriteSet(30);
    std::filesystem::remove(Disk(2));
    RecordAskedDisks();
    zipper.SetZipName(Disk(3));
    EXPECT_THROW(zipper.ReadZip(), EFileError);
    EXPECT_EQ(asked, std::vector<int>{2});
}

TEST_F(MultiDiskTest, AnUnreadableCentralHeaderOfASetIsABadZipFile) {
    WriteSet(std::string::npos);
    Bytes disk2 = test::ReadFileBytes(Disk(2));
    disk2[0] = 'X';
    test::WriteFileBytes(Disk(2), disk2);
    zipper.SetZipName(Disk(3));
    try {
        zipper.ReadZip();
        FAIL();
    } catch (const EBadZipFile& error) {
        EXPECT_STREQ(error.what(), "Not a valid zip file!");
    }
    EXPECT_EQ(zipper.ZipName(), "");
}

TEST_F(MultiDiskTest, TheCompanionFileListsTheSetWhenTheLastDiskIsMissing) {
    std::vector<uint32_t> offsets;
    test::WriteFileBytes(Disk(1), builder.LocalPart(offsets));
    const Bytes central = builder.CentralPart(offsets);
    // Its end record still gives the last disk's offset; the companion's directory starts
    // at its own offset 0 whatever that says.
    const Bytes end = test::ZipBuilder::EndRecord(2, 1, 3, static_cast<uint32_t>(central.size()),
                                                  5000000, "zfc comment");
    test::WriteFileBytes(temp / "set.zfc", Concat(central, end));
    zipper.SetZipName(Disk(1));
    zipper.ReadZip();
    EXPECT_EQ(FullNames(zipper), kSetNames);
    EXPECT_EQ(zipper.CurrentDisk(), 0);
    EXPECT_EQ(zipper.DiskCount(), 3);
    EXPECT_EQ(zipper.ZipName(), Disk(1));
    EXPECT_EQ(zipper.ZipComment(), "zfc comment");
    EXPECT_EQ(zipper.EntryComment(2), "comment three");
}

TEST_F(MultiDiskTest, AnEmptyCompanionFileIsNotTakenForAnEmptyArchive) {
    std::vector<uint32_t> offsets;
    test::WriteFileBytes(Disk(1), builder.LocalPart(offsets));
    test::WriteFileBytes(temp / "set.zfc", {});
    zipper.SetZipName(Disk(1));
    zipper.SetIncompleteZipMode(izAssumeBad);
    zipper.ReadZip();
    EXPECT_TRUE(zipper.DirectoryRebuilt());
    EXPECT_EQ(FullNames(zipper), kSetNames);
}

TEST_F(MultiDiskTest, ARunOverASetTakesTheEntriesInDiskOrderAndRestoresTheSort) {
    WriteSet(30);
    zipper.SetZipName(Disk(3));
    zipper.SetSortMode(ByFileName);
    zipper.ReadZip();
    ASSERT_EQ(zipper.EntryFullName(0), "one.txt");
    ASSERT_EQ(zipper.EntryFullName(1), "three.txt");
    TZipSortMode duringRun = ByName;
    zipper.OnStartUnZipInfo = [&](TUnZipper& sender, int, int64_t, bool&) {
        duringRun = sender.SortMode();
    };
    zipper.SetDoAll(true);
    zipper.SetDestDir((temp / "out").string());
    EXPECT_EQ(zipper.UnZip(), 3);
    EXPECT_EQ(duringRun, ByNone);
    EXPECT_EQ(zipper.SortMode(), ByFileName);
    EXPECT_EQ(zipper.EntryFullName(1), "three.txt");
}

TEST(NextDiskDefault, NumberedFilesReplaceTheExtension) {
    TUnZipper zipper;
    std::string name = "/archives/archive.zip";
    zipper.OnGetNextDisk(zipper, 3, name);
    EXPECT_EQ(name, "/archives/archive.003");
    name = "/archives/archive.003";
    zipper.OnGetNextDisk(zipper, 12, name);
    EXPECT_EQ(name, "/archives/archive.012");
}

}  // namespace
}  // namespace mobrel
