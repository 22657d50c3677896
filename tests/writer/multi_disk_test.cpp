// Writing sets of block files (numbered, or named .z01 ... .zip) and spanned disks: block
// limits, records moved to the next block at every boundary, the one-block set, the ".zfc" copy,
// spanning through the next-disk event, cancelling, failures that leave old files alone, progress,
// and the operations refused in multi-disk mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "platform/interactive_services.h"
#include "writer/multi_disk_test_support.h"
#include "writer/multi_disk_writer.h"
#include "writer/zipper.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::FileContents;
using test::TempDir;

std::string Block(const fs::path& folder, int number) {
    return TMultiDiskWriter::BlockFileName((folder / "set.zip").string(), number);
}

int BlockCount(const fs::path& folder) {
    int count = 0;
    while (fs::exists(Block(folder, count + 1))) {
        ++count;
    }
    return count;
}

std::string Signature(const std::string& file) {
    const std::vector<uint8_t> bytes = test::ReadFileBytes(file);
    return bytes.size() < 4 ? "" : std::string(bytes.begin(), bytes.begin() + 4);
}

const std::string kCentralSignature("PK\x01\x02", 4);
const std::string kEndSignature("PK\x05\x06", 4);

class BlockSetTest : public testing::Test {
  protected:
    BlockSetTest() : files(test::MakeSplitTree(temp / "src")) {
        fs::create_directories(temp / "out");
    }
    // Zips the tree as a block set; the number of files zipped.
    int ZipBlocks(int64_t firstBlock, int64_t block, int packLevel = 6) {
        TMultiZipInfo info = test::BlockSetInfo(firstBlock, block, naming);
        info.SaveZipInfoOnFirstDisk = saveZipInfo;
        zipper.SetMultiZipInfo(info);
        zipper.SetZipName(Archive());
        zipper.SetRootDir((temp / "src").string());
        zipper.SetRelativePaths(true);
        zipper.SetPackLevel(packLevel);
        zipper.FilesList() = {"*"};
        return zipper.Zip();
    }
    std::string Archive() const { return (temp / "out" / "set.zip").string(); }
    fs::path Out() const { return temp / "out"; }
    FileContents ReadBack(const std::string& zipName) {
        TUnZipper reader;
        reader.SetZipName(zipName);
        return test::ExtractAll(reader, temp.Path());
    }

    TempDir temp;
    FileContents files;
    TZipper zipper;
    bool saveZipInfo = false;
    TSplitNaming naming = snNumbered;
};

TEST_F(BlockSetTest, FirstBlockOf1000AndLaterOf5000ReadBackThroughTheNumberedFiles) {
    ASSERT_EQ(ZipBlocks(1000, 5000), 7);
    const int blocks = BlockCount(Out());
    ASSERT_GE(blocks, 3);
    EXPECT_LE(fs::file_size(Block(Out(), 1)), 1000u);
    for (int n = 2; n <= blocks; ++n) {
        EXPECT_LE(fs::file_size(Block(Out(), n)), 5000u) << n;
    }
    // Earlier blocks are filled to the limit unless a record had to move on.
    EXPECT_GT(fs::file_size(Block(Out(), 2)), 4900u);
    EXPECT_FALSE(fs::exists(Archive()));
    // The set is known by its last block, which holds the end record.
    EXPECT_EQ(zipper.ZipName(), Block(Out(), blocks));
    EXPECT_EQ(zipper.DiskCount(), blocks);
    EXPECT_EQ(zipper.Count(), 7);
    EXPECT_EQ(ReadBack(Block(Out(), blocks)), files);
    // The writer's own directory reads the set too, right after writing it.
    EXPECT_EQ(test::ExtractAll(zipper, temp.Path()), files);
    EXPECT_EQ(test::FilesIn(Out()).size(), static_cast<size_t>(blocks));
    // Blocks are made under private temporary names but end up as any new file would.
    const auto created = fs::status(temp / "src" / "index.html").permissions();
    EXPECT_EQ(fs::status(Block(Out(), 1)).permissions(), created);
    EXPECT_EQ(fs::status(Block(Out(), blocks)).permissions(), created);
}

TEST_F(BlockSetTest, ZipNamingWritesZ01OnwardsAndEndsInTheArchivesOwnName) {
    naming = snZip;
    ASSERT_EQ(ZipBlocks(1000, 5000), 7);
    EXPECT_EQ(BlockCount(Out()), 0);
    int pieces = 0;
    while (fs::exists(ZipPieceName(Archive(), pieces + 1))) {
        ++pieces;
    }
    ASSERT_GE(pieces, 2);
    EXPECT_LE(fs::file_size(ZipPieceName(Archive(), 1)), 1000u);
    for (int n = 2; n <= pieces; ++n) {
        EXPECT_LE(fs::file_size(ZipPieceName(Archive(), n)), 5000u) << n;
    }
    EXPECT_LE(fs::file_size(Archive()), 5000u);
    EXPECT_EQ(zipper.ZipName(), Archive());
    EXPECT_EQ(zipper.DiskCount(), pieces + 1);
    // The component that wrote the set reads it on, as does a new reader.
    EXPECT_EQ(test::ExtractAll(zipper, temp.Path()), files);
    EXPECT_EQ(ReadBack(Archive()), files);
    EXPECT_EQ(test::FilesIn(Out()).size(), static_cast<size_t>(pieces + 1));

    // A set that fits one block is the archive alone, as with numbered blocks.
    fs::remove_all(Out());
    fs::create_directories(Out());
    ASSERT_EQ(ZipBlocks(1000000, 1000000), 7);
    EXPECT_EQ(test::FilesIn(Out()), std::vector<std::string>{"set.zip"});
    EXPECT_EQ(ReadBack(Archive()), files);
}

TEST_F(BlockSetTest, EveryBoundaryPositionMovesWholeRecordsAndReadsBack) {
    // Stored small files and a sweep of block sizes put every record, central headers and
    // the end record included, right at a block boundary somewhere in the sweep.
    for (const auto& item : fs::directory_iterator(temp / "src")) {
        fs::remove_all(item.path());
    }
    files = {};
    for (int i = 0; i < 6; ++i) {
        const std::string name = "f" + std::to_string(i) + ".txt";
        files[name] = std::string(static_cast<size_t>(20 + 7 * i), static_cast<char>('a' + i));
        test::MakeFile(temp / "src", name, files[name]);
    }
    std::set<std::string> seen;
    for (int64_t size = 160; size <= 240; ++size) {
        ASSERT_EQ(ZipBlocks(size, size, 0), 6) << size;
        const int blocks = BlockCount(Out());
        for (int n = 1; n <= blocks; ++n) {
            ASSERT_LE(static_cast<int64_t>(fs::file_size(Block(Out(), n))), size) << size;
            const std::string signature = Signature(Block(Out(), n));
            if (n > 1 && signature == kCentralSignature) {
                seen.insert("central header");
            }
            if (n > 1 && signature == kEndSignature) {
                seen.insert("end record");
            }
        }
        ASSERT_EQ(ReadBack(zipper.ZipName()), files) << size;
        for (int n = 1; n <= blocks; ++n) {
            fs::remove(Block(Out(), n));
        }
    }
    EXPECT_EQ(seen, (std::set<std::string>{"central header", "end record"}));
}

TEST_F(BlockSetTest, ASetThatFitsOneBlockIsAnOrdinaryArchiveWithNoBlockFileLeft) {
    saveZipInfo = true;
    ASSERT_EQ(ZipBlocks(1000000, 1000000), 7);
    EXPECT_EQ(test::FilesIn(Out()), std::vector<std::string>{"set.zip"});
    EXPECT_EQ(zipper.ZipName(), Archive());
    EXPECT_EQ(zipper.DiskCount(), 1);
    test::ExpectPeersAccept(Archive());
    EXPECT_EQ(ReadBack(Archive()), files);
}

TEST_F(BlockSetTest, TheConfigurationFileListsTheSetWhenItsLastBlockIsMissing) {
    saveZipInfo = true;
    ASSERT_EQ(ZipBlocks(1000, 5000), 7);
    const int blocks = BlockCount(Out());
    const std::string zfc = (Out() / "set.zfc").string();
    ASSERT_TRUE(fs::exists(zfc));
    EXPECT_EQ(Signature(zfc), kCentralSignature);
    fs::remove(Block(Out(), blocks));

    TUnZipper reader;
    reader.SetZipName(Block(Out(), 1));
    reader.ReadZip();
    ASSERT_EQ(reader.Count(), 7);
    EXPECT_EQ(reader.DiskCount(), blocks);
    std::set<std::string> names;
    for (int i = 0; i < reader.Count(); ++i) {
        names.insert(reader.EntryFullName(i));
    }
    EXPECT_TRUE(names.count("css\\style.css"));
    EXPECT_TRUE(names.count("index.html"));
}

// Message boxes answered with OK and remembered.
class TRecordedMessages : public TInteractiveServices {
  public:
    TRecordedMessages() { InstallServices(this); }
    ~TRecordedMessages() override { InstallServices(nullptr); }
    TMsgAnswer MessageBox(const std::string& text, const std::string&, TMsgButtons) override {
        Texts.push_back(text);
        return TMsgAnswer::Ok;
    }
    std::vector<std::string> Texts;
};

TEST_F(BlockSetTest, AConfigurationFileThatCannotBeCreatedIsReportedAndTheSetStands) {
    saveZipInfo = true;
    fs::create_directories(Out() / "set.zfc");  // a folder where the file would go
    TRecordedMessages messages;
    ASSERT_EQ(ZipBlocks(1000, 5000), 7);
    EXPECT_EQ(messages.Texts,
              std::vector<std::string>{"Unable to create Zip Configuration File to disk"});
    EXPECT_EQ(ReadBack(zipper.ZipName()), files);
}

TEST_F(BlockSetTest, ABlockTooSmallForTheLargestRecordIsRefusedBeforeAnythingIsWritten) {
    // The long name's local header is 30 + 64 bytes, its central header 46 + 64, and each
    // carries a 9-byte extended timestamp: 119 bytes is the least a block must hold.
    try {
        ZipBlocks(90, 5000);
        FAIL();
    } catch (const EGeneralError& error) {
        EXPECT_NE(std::string(error.what()).find("too small"), std::string::npos);
    }
    try {
        ZipBlocks(5000, 118);
        FAIL();
    } catch (const EGeneralError& error) {
        EXPECT_NE(std::string(error.what()).find("at least 119 bytes"), std::string::npos)
            << error.what();
    }
    EXPECT_TRUE(test::FilesIn(Out()).empty());
    EXPECT_TRUE(zipper.FilesList().empty());
}

TEST_F(BlockSetTest, AFailedRunLeavesAnOldArchiveOfTheNameAndNoTemporaryFile) {
    test::WriteFileText(Archive(), "the old archive");
    int started = 0;
    zipper.OnStartZip = [&](TZipper&, const std::string&, TZipHeaderInfo&, bool&) {
        if (++started == 4) {
            throw EStreamError("Stream read error");
        }
    };
    EXPECT_THROW(ZipBlocks(1000, 5000), EStreamError);
    const std::vector<uint8_t> old = test::ReadFileBytes(Archive());
    EXPECT_EQ(std::string(old.begin(), old.end()), "the old archive");
    for (const std::string& name : test::FilesIn(Out())) {
        EXPECT_EQ(name.rfind("MBZ", 0), std::string::npos) << name;
    }
    // The blocks finished before the failure stay as written; none holds an end record.
    for (int n = 1; n <= BlockCount(Out()); ++n) {
        const std::vector<uint8_t> bytes = test::ReadFileBytes(Block(Out(), n));
        EXPECT_EQ(
            std::search(bytes.begin(), bytes.end(), kEndSignature.begin(), kEndSignature.end()),
            bytes.end());
    }
}

TEST_F(BlockSetTest, ProgressCountsCompressingAndCopyingAndEndsAt100) {
    std::vector<int> total;
    std::vector<int> file;
    int64_t announced = 0;
    zipper.OnStartZipInfo = [&](TZipper&, int, int64_t bytes, TEndCentral&, bool&) {
        announced = bytes;
    };
    zipper.OnTotalPercentDone = [&](TUnZipper&, int percent) { total.push_back(percent); };
    zipper.OnFilePercentDone = [&](TUnZipper&, int percent) { file.push_back(percent); };
    ASSERT_EQ(ZipBlocks(1000, 5000), 7);
    int64_t sourceBytes = 0;
    for (const auto& [name, bytes] : files) {
        sourceBytes += static_cast<int64_t>(bytes.size());
    }
    EXPECT_EQ(announced, sourceBytes);  // the total as it stands, before it is doubled
    ASSERT_FALSE(total.empty());
    EXPECT_TRUE(std::is_sorted(total.begin(), total.end()));
    EXPECT_EQ(total.back(), 100);
    EXPECT_LT(total.front(), 50);
    // Compressing reports at most half of a file; copying carries it on to 100.
    EXPECT_TRUE(std::all_of(file.begin(), file.end(), [](int p) { return p >= 0 && p <= 100; }));
    EXPECT_NE(std::find(file.begin(), file.end(), 50), file.end());
    EXPECT_EQ(std::count(file.begin(), file.end(), 100), 6);  // every file but the empty one
}

TEST_F(BlockSetTest, OperationsThatRewriteAnArchiveAreRefusedAndKeepItsEntries) {
    ASSERT_EQ(ZipBlocks(1000000, 1000000), 7);  // one block: an ordinary archive
    const std::vector<uint8_t> before = test::ReadFileBytes(Archive());
    zipper.SetEntryComment(0, "changed");
    EXPECT_THROW(zipper.SaveModifiedZipFile(), EEngineError);
    EXPECT_THROW(zipper.FixZip(Archive(), (temp / "fixed.zip").string()), EEngineError);
    EXPECT_FALSE(fs::exists(temp / "fixed.zip"));
    EXPECT_EQ(test::ReadFileBytes(Archive()), before);
    EXPECT_TRUE(zipper.FilesList().empty());

    TZipper sfx;
    sfx.SetMultiMode(mmBlocks);
    test::WriteFileText(temp / "stub", "#!/bin/sh\n");
    sfx.FilesList() = {(temp / "src" / "notes.txt").string()};
    try {
        sfx.MakeSFX((temp / "stub").string(), (temp / "prog").string(), nullptr, 0);
        FAIL();
    } catch (const EGeneralError& error) {
        EXPECT_NE(std::string(error.what()).find("self-extracting"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(temp / "prog"));
    EXPECT_FALSE(fs::exists(temp / "prog.001"));
}

// --- Spanning ---

// Disks that hold `room` bytes each, handed out as folders disk1, disk2, ...
class TSmallDiskZipper : public TZipper {
  public:
    int64_t Room = 4000;

  protected:
    int64_t FreeSpaceOn(const std::string&) override { return Room; }
};

class SpanTest : public testing::Test {
  protected:
    SpanTest() : files(test::MakeSplitTree(temp / "src")) {
        for (int n = 1; n <= 20; ++n) {
            fs::create_directories(Disk(n).parent_path());
        }
        TMultiZipInfo info;
        info.MultiMode = mmSpan;
        zipper.SetMultiZipInfo(info);
        zipper.SetZipName(Disk(1).string());
        zipper.SetRootDir((temp / "src").string());
        zipper.SetRelativePaths(true);
        zipper.OnGetNextDisk = [this](TUnZipper&, int disk, std::string& name) {
            asked.push_back(disk);
            name = Disk(disk).string();
        };
        zipper.OnPrepareNextDisk = [this](TZipper&, int disk) { prepared.push_back(disk); };
    }
    fs::path Disk(int n) const { return temp / ("disk" + std::to_string(n)) / "span.zip"; }
    int DisksWritten() const {
        int count = 0;
        while (fs::exists(Disk(count + 1))) {
            ++count;
        }
        return count;
    }

    TempDir temp;
    FileContents files;
    TSmallDiskZipper zipper;
    std::vector<int> asked;
    std::vector<int> prepared;
};

TEST_F(SpanTest, DisksInSeparateFoldersFillToTheirRoomAndReadBack) {
    TMultiZipInfo info = zipper.MultiZipInfo();
    info.SaveOnFirstDisk = 500;
    info.SaveZipInfoOnFirstDisk = true;
    zipper.SetMultiZipInfo(info);
    zipper.FilesList() = {"*"};
    ASSERT_EQ(zipper.Zip(), 7);
    const int disks = DisksWritten();
    ASSERT_GE(disks, 4);
    std::vector<int> expected;
    for (int n = 2; n <= disks; ++n) {
        expected.push_back(n);
        EXPECT_LE(fs::file_size(Disk(n)), 4000u);
    }
    // The last request is for the first disk again, to put the configuration file on it.
    std::vector<int> forDisks = expected;
    forDisks.push_back(1);
    EXPECT_EQ(asked, forDisks);
    EXPECT_EQ(prepared, expected);
    // The reservation held for this run only.
    EXPECT_EQ(zipper.MultiZipInfo().SaveOnFirstDisk, 500);
    EXPECT_LE(fs::file_size(Disk(1)), 4000u - 500u - 7 * 83u);
    EXPECT_TRUE(fs::exists(Disk(1).parent_path() / "span.zfc"));
    EXPECT_EQ(zipper.ZipName(), Disk(1).string());
    EXPECT_EQ(zipper.DiskCount(), disks);

    TUnZipper reader;
    reader.OnGetNextDisk = [this](TUnZipper&, int disk, std::string& name) {
        name = Disk(disk).string();
    };
    reader.SetZipName(Disk(disks).string());
    EXPECT_EQ(test::ExtractAll(reader, temp.Path()), files);
}

TEST_F(SpanTest, TheDiskJustWrittenIsNeverTakenForTheNextOne) {
    bool handedBack = false;
    zipper.OnGetNextDisk = [&](TUnZipper&, int disk, std::string& name) {
        asked.push_back(disk);
        // The user answers without changing the disk once.
        if (disk == 2 && !handedBack) {
            handedBack = true;
            return;  // name still names disk 1
        }
        name = Disk(disk).string();
    };
    zipper.FilesList() = {"*"};
    ASSERT_EQ(zipper.Zip(), 7);
    ASSERT_GE(asked.size(), 2u);
    EXPECT_EQ(asked[0], 2);
    EXPECT_EQ(asked[1], 2);
    TUnZipper reader;
    reader.OnGetNextDisk = [this](TUnZipper&, int disk, std::string& name) {
        name = Disk(disk).string();
    };
    reader.SetZipName(Disk(DisksWritten()).string());
    EXPECT_EQ(test::ExtractAll(reader, temp.Path()), files);
}

TEST_F(SpanTest, CancellingTheNextDiskKeepsEarlierDisksAndClaimsNoCompleteArchive) {
    zipper.OnGetNextDisk = [this](TUnZipper&, int disk, std::string& name) {
        asked.push_back(disk);
        name = disk == 3 ? "" : Disk(disk).string();
    };
    zipper.FilesList() = {"*"};
    try {
        zipper.Zip();
        FAIL();
    } catch (const EUserCanceled& error) {
        EXPECT_STREQ(error.what(), "User canceled Zip operation");
    }
    EXPECT_EQ(asked, (std::vector<int>{2, 3}));
    ASSERT_EQ(DisksWritten(), 2);
    EXPECT_GT(fs::file_size(Disk(2)), 3900u);  // written to its room
    for (int n = 1; n <= 3; ++n) {
        EXPECT_LE(test::FilesIn(Disk(n).parent_path()).size(), 1u) << "left over on disk " << n;
        if (fs::exists(Disk(n))) {
            TUnZipper reader;
            reader.SetIncompleteZipMode(izAssumeNotAZip);
            reader.SetZipName(Disk(n).string());
            EXPECT_THROW(reader.ReadZip(), ENotAZipFile) << n;
        }
    }
    EXPECT_TRUE(zipper.FilesList().empty());
}

TEST_F(SpanTest, WithoutANextDiskHandlerTheRunIsCancelled) {
    zipper.OnGetNextDisk = nullptr;
    zipper.FilesList() = {"*"};
    EXPECT_THROW(zipper.Zip(), EUserCanceled);
    EXPECT_EQ(DisksWritten(), 1);
}

}  // namespace
}  // namespace mobrel
