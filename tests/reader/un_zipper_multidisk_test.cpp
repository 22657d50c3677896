// Sets split over several files, numbered (set.001, ...) or named as other zip tools name
// them (set.z01, ..., set.zip): asking for disks, a central directory that starts on an
// earlier disk or runs over a disk boundary, the ".zfc" companion, refused and missing
// disks.
#include <gtest/gtest.h>

#include <algorithm>

#include "format/zip_builder.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "reader/split_naming.h"
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
    std::string Disk(int n) const {
        return SplitDiskName((temp / "set.zip").string(), naming, n, 3);
    }
    void RecordAskedDisks() {
        const TGetNextDiskEvent defaultHandler = zipper.OnGetNextDisk;
        zipper.OnGetNextDisk = [this, defaultHandler](TUnZipper& sender, int disk,
                                                      std::string& name) {
            asked.push_back(disk);
            offered.push_back(name);
            defaultHandler(sender, disk, name);
        };
    }

    test::TempDir temp;
    test::ZipBuilder builder = SetEntries();
    size_t centralSize = 0;
    TSplitNaming naming = snNumbered;
    TUnZipper zipper;
    std::vector<int> asked;
    std::vector<std::string> offered;  // the names the handler was offered
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

TEST_F(MultiDiskTest, AMissingFileOfEitherNamingIsReportedByNameNotAskedForForever) {
    RecordAskedDisks();
    for (const TSplitNaming kind : {snNumbered, snZip}) {
        naming = kind;
        WriteSet(30);
        std::filesystem::remove(Disk(2));
        asked.clear();
        zipper.SetZipName(Disk(3));
        try {
            zipper.ReadZip();
            FAIL();
        } catch (const EFileError& error) {
            EXPECT_EQ(error.what(), "Cannot find disk 2 of the set: " + Disk(2));
        }
        EXPECT_EQ(asked, std::vector<int>{2});
        std::filesystem::remove(Disk(1));
        std::filesystem::remove(Disk(3));
    }
}

TEST_F(MultiDiskTest, AZipNamedSetIsReadFromItsLastFileWhicheverDiskIsOpen) {
    naming = snZip;
    WriteSet(30, "set comment");
    EXPECT_EQ(Disk(1), (temp / "set.z01").string());
    EXPECT_EQ(Disk(3), (temp / "set.zip").string());
    RecordAskedDisks();
    zipper.SetZipName(Disk(3));
    zipper.ReadZip();
    // The directory starts on disk 2 and runs on into disk 3: from set.z02, the next disk
    // is still set.zip, not a name made from the disk that is open.
    EXPECT_EQ(offered, (std::vector<std::string>{Disk(2), Disk(3)}));
    EXPECT_EQ(FullNames(zipper), kSetNames);
    EXPECT_EQ(zipper.ZipComment(), "set comment");
    zipper.SetDoAll(true);
    zipper.SetDestDir((temp / "out").string());
    EXPECT_EQ(zipper.UnZip(), 3);
    EXPECT_EQ(test::ReadFileBytes(temp / "out" / "three.txt"), (Bytes{'t', 'h', 'i', 'r', 'd'}));
    EXPECT_EQ(offered.back(), Disk(1));
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

TEST(SplitNames, EachNamingDerivesEveryDiskFromAnyFileOfTheSet) {
    EXPECT_EQ(SplitDiskName("/a/set.zip", snNumbered, 2, 5), "/a/set.002");
    EXPECT_EQ(SplitDiskName("/a/set.007", snNumbered, 1234, 1234), "/a/set.1234");
    EXPECT_EQ(SplitDiskName("/a/set.zip", snZip, 1, 5), "/a/set.z01");
    EXPECT_EQ(SplitDiskName("/a/set.z03", snZip, 100, 101), "/a/set.z100");
    EXPECT_EQ(SplitDiskName("/a/set.z03", snZip, 5, 5), "/a/set.zip");
    EXPECT_EQ(SplitDiskName("/a/set.ZIP", snZip, 5, 5), "/a/set.ZIP");

    test::TempDir temp;
    const std::string last = (temp / "set.zip").string();
    EXPECT_EQ(NamingOfSet(last, 4), snNumbered);  // nothing beside it: the engine's own naming
    test::WriteFileText(temp / "set.z02", "");
    EXPECT_EQ(NamingOfSet(last, 4), snZip);       // set.z01 and set.z03 missing
    EXPECT_EQ(NamingOfSet(last, 2), snNumbered);  // set.z02 is no disk of a set of two
    test::WriteFileText(temp / "set.001", "");
    test::WriteFileText(temp / "set.003", "");
    EXPECT_EQ(NamingOfSet(last, 4), snNumbered);
    EXPECT_EQ(NamingOfSet((temp / "set.z07").string(), 8), snZip);
    EXPECT_EQ(NamingOfSet((temp / "set.003").string(), 8), snNumbered);
}

}  // namespace
}  // namespace mobrel
