// Hostile archives through the reader and the extraction run. Each ends in one of the
// engine's exceptions, a reported skip or a sane result, and nothing lands outside the
// output folder; the specific cases check what the user gets.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

#include "format/zip_header_info.h"
#include "hardening/engine_outcome.h"
#include "hardening/hostile_archives.h"
#include "platform/dos_date_time.h"
#include "platform/engine_errors.h"
#include "reader/un_zipper.h"
#include "test_support.h"
#include "writer/zipper.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

// An archive written beside a nested output folder, so an escape of a few levels, an
// absolute name into the probe folder, or one beside it, all show up under Root.
class Hostile : public ::testing::Test {
  protected:
    fs::path Root() const { return temp.Path(); }
    fs::path Out() const { return temp / "a" / "b" / "out"; }
    fs::path Probe() const { return temp / "probe"; }
    std::string Write(const std::string& name, const Bytes& bytes) {
        const fs::path file = archives / (name + ".zip");
        test::WriteFileBytes(file, bytes);
        return file.string();
    }
    const test::HostileArchive& Find(const std::string& name) {
        for (const test::HostileArchive& archive : all) {
            if (archive.Name == name) {
                return archive;
            }
        }
        throw std::runtime_error("no hostile archive " + name);
    }
    void Open(TUnZipper& zipper, const std::string& name) {
        zipper.SetIncompleteZipMode(izAssumeBad);
        zipper.SetZipName(Write(name, Find(name).Data));
        zipper.ReadZip();
        zipper.SetDestDir(Out().string());
        zipper.SetRecreateDirs(true);
        zipper.SetOverwriteMode(TUZOverwriteMode::Always);
        zipper.SetDoAll(true);
    }
    std::vector<fs::path> Escaped() const { return test::PathsOutside(Root(), Out()); }
    std::vector<std::string> FilesInOut() const {
        std::vector<std::string> files;
        if (fs::exists(Out())) {
            for (const auto& item : fs::recursive_directory_iterator(Out())) {
                if (!item.is_directory()) {
                    files.push_back(item.path().lexically_relative(Out()).string());
                }
            }
        }
        std::sort(files.begin(), files.end());
        return files;
    }
    void RecordSkips(TUnZipper& zipper) {
        zipper.OnSkippingFile = [this](TUnZipper&, TSkipReason reason, const std::string&, int,
                                       bool&) { skips.push_back(reason); };
    }

    test::TempDir temp;
    test::TempDir archives;
    std::vector<test::HostileArchive> all = test::HostileArchives(Probe());
    std::vector<TSkipReason> skips;
};

TEST_F(Hostile, EveryArchiveEndsInAnEngineErrorOrAReportAndStaysInside) {
    for (const test::HostileArchive& archive : all) {
        SCOPED_TRACE(archive.Name);
        const std::string outcome =
            test::RunEveryOperation(Write(archive.Name, archive.Data), Out());
        std::cout << "hostile\t" << archive.Name << "\t" << outcome << "\n";
        EXPECT_EQ(Escaped(), std::vector<fs::path>{});
        fs::remove_all(temp / "a");
    }
}

TEST_F(Hostile, EveryPeerArchiveStaysInsideTheOutputFolder) {
    for (const test::ManifestRow& row : test::ReadManifest()) {
        SCOPED_TRACE(row.File);
        const std::string outcome = test::RunEveryOperation(test::TestDataDir() / row.File, Out());
        if (row.File.rfind("traversal", 0) == 0 || row.File.find("symlink") != std::string::npos) {
            std::cout << "testdata\t" << row.File << "\t" << outcome << "\n";
        }
        EXPECT_EQ(Escaped(), std::vector<fs::path>{});
        fs::remove_all(temp / "a");
    }
}

TEST_F(Hostile, OverlappingEntriesAreReadOnceFromTheirLocalHeaders) {
    for (const char* name : {"same-offset-overlap", "quoted-overlap"}) {
        SCOPED_TRACE(name);
        TUnZipper zipper;
        Open(zipper, name);
        EXPECT_TRUE(zipper.DirectoryRebuilt());
        EXPECT_EQ(zipper.Count(), 1);
        EXPECT_EQ(zipper.UnZip(), 1);
        uintmax_t written = 0;
        for (const std::string& file : FilesInOut()) {
            written += fs::file_size(Out() / file);
        }
        EXPECT_LE(written, Find(name).Data.size());
        fs::remove_all(Out());
    }
}

TEST_F(Hostile, MemoryExtractionRefusesAHugeEntryBeforeDecodingIt) {
    for (const char* name : {"deflated-64kib-declared-3gib", "stored-5-bytes-declared-3gib"}) {
        SCOPED_TRACE(name);
        TUnZipper zipper;
        Open(zipper, name);
        std::vector<uint8_t> buffer;
        try {
            zipper.UnZipToBuffer(buffer, 0);
            ADD_FAILURE() << "no error";
        } catch (const EFatalUnzipError& error) {
            EXPECT_NE(std::string(error.what()).find(" is too large to extract into memory"),
                      std::string::npos)
                << error.what();
        }
        EXPECT_TRUE(buffer.empty());
        EXPECT_FALSE(zipper.Busy());
        // Testing keeps nothing, so it does not refuse; it fails the entry for its length.
        EXPECT_FALSE(zipper.TestEntry(0));
    }
}

TEST_F(Hostile, FileExtractionStopsAtTheDeclaredSize) {
    TUnZipper zipper;
    Open(zipper, "deflated-16mib-declared-1mib");
    std::string path;
    uintmax_t largest = 0;
    int badCrcs = 0;
    zipper.OnStartUnZip = [&](TUnZipper&, int, std::string& name, bool&) { path = name; };
    zipper.OnFilePercentDone = [&](TUnZipper&, int) {
        largest = std::max(largest, fs::file_size(path));
    };
    zipper.OnBadCRC = [&](TUnZipper&, uint32_t, uint32_t, int) { ++badCrcs; };
    EXPECT_EQ(zipper.UnZip(), 0);
    EXPECT_EQ(badCrcs, 1);
    EXPECT_LE(largest, 1u << 20);
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(Hostile, DataShorterThanItsHeaderFailsATestAndIsLeftOutOfARepair) {
    TZipper zipper;
    Open(zipper, "stored-5-bytes-declared-3gib");
    std::vector<std::pair<uint32_t, uint32_t>> reported;
    zipper.OnBadCRC = [&](TUnZipper&, uint32_t calcCRC, uint32_t storedCRC, int) {
        reported.emplace_back(calcCRC, storedCRC);
    };
    EXPECT_FALSE(zipper.TestEntry(0));
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].first, reported[0].second);  // the CRC matched; the length did not
    // Extraction gives what there is, as the peer tools do.
    EXPECT_EQ(zipper.UnZip(), 1);
    EXPECT_EQ(FilesInOut(), std::vector<std::string>{"claims.txt"});
    const fs::path repaired = Root() / "repaired.zip";
    EXPECT_EQ(zipper.FixZip(zipper.ZipName(), repaired.string()), 0);
}

TEST_F(Hostile, NamesTheFileSystemCannotTakeAreSkippedAndOthersCleaned) {
    const struct {
        const char* Archive;
        std::vector<std::string> Files;
        int CreateErrors;
    } cases[] = {
        {"deep-3000-folders", {}, 1},
        {"component-300-bytes", {}, 1},
        {"name-62757-bytes", {}, 1},
        {"control-characters", {"ctl__[31m_.txt"}, 0},
        {"nul-byte", {"nul_hidden.txt"}, 0},
        {"invalid-utf8-flagged", {"bad\xff\xfe\xc0\xaf.txt"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Archive);
        TUnZipper zipper;
        Open(zipper, c.Archive);
        skips.clear();
        RecordSkips(zipper);
        zipper.UnZip();
        EXPECT_EQ(FilesInOut(), c.Files);
        EXPECT_EQ(std::count(skips.begin(), skips.end(), skCreateError), c.CreateErrors);
        fs::remove_all(Out());
    }
    TUnZipper deep;
    Open(deep, "deep-200-folders");
    EXPECT_EQ(deep.UnZip(), 1);
    std::string expected;
    for (int i = 0; i < 200; ++i) {
        expected += "d/";
    }
    EXPECT_EQ(FilesInOut(), std::vector<std::string>{expected + "deep.txt"});
}

TEST_F(Hostile, EveryTraversalFormLandsInsideTheOutputFolder) {
    for (const bool recreateDirs : {true, false}) {
        SCOPED_TRACE(recreateDirs);
        TUnZipper zipper;
        Open(zipper, "traversal-forms");
        zipper.SetRecreateDirs(recreateDirs);
        zipper.SetOverwriteMode(TUZOverwriteMode::Never);
        zipper.UnZip();
        EXPECT_EQ(Escaped(), std::vector<fs::path>{});
        for (const std::string& file : FilesInOut()) {
            const std::vector<uint8_t> bytes = test::ReadFileBytes(Out() / file);
            EXPECT_TRUE(std::string(bytes.begin(), bytes.end()).rfind("from ", 0) == 0 ||
                        std::string(bytes.begin(), bytes.end()).rfind("absolute", 0) == 0)
                << file;
        }
        EXPECT_GE(FilesInOut().size(), recreateDirs ? 20u : 10u);
        fs::remove_all(Out());
    }
}

TEST_F(Hostile, ALinkOutOfTheDestinationIsRefusedAndItsNameBecomesARealFolder) {
    TUnZipper zipper;
    Open(zipper, "symlink-then-file-through-it");
    RecordSkips(zipper);
    EXPECT_EQ(zipper.UnZip(), 1);
    EXPECT_FALSE(fs::is_symlink(Out() / "link"));
    EXPECT_EQ(FilesInOut(), std::vector<std::string>{"link/escaped.txt"});
    EXPECT_EQ(skips, std::vector<TSkipReason>{skUnsafeLink});
    EXPECT_EQ(Escaped(), std::vector<fs::path>{});
}

TEST_F(Hostile, AUnicodePathNamesAnEntryOnlyWhenItIsSoundAndStaysInside) {
    for (const auto& [archive, expected] : std::vector<std::pair<std::string, std::string>>{
             {"extra-unicode-path-stale-crc", "renamed.txt"},
             {"extra-unicode-path-invalid-utf8", "renamed.txt"},
             {"extra-unicode-path-traversal", "up-unicode.txt"}}) {
        SCOPED_TRACE(archive);
        TUnZipper zipper;
        Open(zipper, archive);
        EXPECT_EQ(zipper.UnZip(), 1);
        EXPECT_EQ(FilesInOut(), std::vector<std::string>{expected});
        EXPECT_EQ(Escaped(), std::vector<fs::path>{});
        fs::remove_all(Out());
    }
}

TEST_F(Hostile, ExtraFieldsThatLieGiveNoTimeAndTheDosDateStands) {
    for (const char* archive : {"extra-record-past-its-area", "extra-timestamp-without-flags",
                                "extra-timestamp-short", "extra-ntfs-attribute-past-its-field"}) {
        SCOPED_TRACE(archive);
        TUnZipper zipper;
        Open(zipper, archive);
        EXPECT_EQ(zipper.EntryInfo(0).ModificationTime(),
                  DosDateTimeToDateTime(zipper.EntryInfo(0).DosDateTime));
        EXPECT_EQ(zipper.UnZip(), 1);
    }
}

TEST_F(Hostile, EndRecordsAndDirectoriesPointingAnywhereNeverInventEntries) {
    for (const test::HostileArchive& archive : all) {
        if (archive.Name.rfind("end-", 0) != 0 && archive.Name.rfind("central-", 0) != 0 &&
            archive.Name.rfind("local-", 0) != 0) {
            continue;
        }
        SCOPED_TRACE(archive.Name);
        TUnZipper zipper;
        zipper.SetIncompleteZipMode(izAssumeBad);
        try {
            zipper.SetZipName(Write(archive.Name, archive.Data));
            zipper.ReadZip();
            EXPECT_LE(zipper.Count(), 1);
        } catch (const EEngineError& error) {
            EXPECT_EQ(zipper.Count(), 0) << error.what();
        }
    }
}

// ZIP64 records that are whole are read. Sizes saturated in both headers without a ZIP64
// field are no sizes at all: such an entry is left out, never listed as 4 GiB.
TEST_F(Hostile, Zip64RecordsGiveTrueSizesNeverSaturatedOnes) {
    for (const auto& [name, count] :
         {std::pair{"zip64-end-records", 1}, {"zip64-saturated-sizes", 0}}) {
        SCOPED_TRACE(name);
        TUnZipper zipper;
        zipper.SetZipName(Write(name, Find(name).Data));
        zipper.ReadZip();
        ASSERT_EQ(zipper.Count(), count);
        for (int i = 0; i < zipper.Count(); ++i) {
            EXPECT_LT(zipper.EntryUncompressedSize(i), 0xFFFFFFFFu);
            EXPECT_LT(zipper.EntryCompressedSize(i), 0xFFFFFFFFu);
        }
    }
}

// A ZIP64 record that can't be followed or holds what no archive holds (a locator pointing
// past the file, before its start, at itself or another record; a count of 2^63; a
// directory past the file; disks past any set) leaves the classic record saturated: the
// entries come from the local headers. Entry fields too short or too large give no entry.
TEST_F(Hostile, Zip64RecordsThatCantBeFollowedAreRebuiltFromLocalHeaders) {
    const std::pair<const char*, int> cases[] = {
        {"zip64-locator-past-file", 1},
        {"zip64-locator-negative", 1},
        {"zip64-locator-at-itself", 1},
        {"zip64-locator-at-classic-record", 1},
        {"zip64-locator-at-local-header", 1},
        {"zip64-locator-disk-past-set", 1},
        {"zip64-end-count-2-63", 1},
        {"zip64-end-central-past-file", 1},
        {"zip64-end-central-negative", 1},
        {"zip64-end-disk-2-31", 1},
        {"zip64-field-one-of-three-values", 0},
        {"zip64-field-sizes-past-2-62", 0},
    };
    for (const auto& [name, count] : cases) {
        SCOPED_TRACE(name);
        TUnZipper zipper;
        Open(zipper, name);
        EXPECT_TRUE(zipper.DirectoryRebuilt());
        ASSERT_EQ(zipper.Count(), count);
        if (count == 1) {
            EXPECT_EQ(zipper.UnZip(), 1);
            EXPECT_EQ(FilesInOut(), std::vector<std::string>{"one.txt"});
        }
        fs::remove_all(Out());
    }
    // A locator that counts 4 billion disks, and an end record on the last disk a set can
    // number, send the reader to a disk that isn't there; without looking for billions.
    for (const char* name : {"zip64-locator-4g-disks", "zip64-end-disk-largest"}) {
        SCOPED_TRACE(name);
        TUnZipper zipper;
        try {
            Open(zipper, name);
            ADD_FAILURE() << "no error";
        } catch (const EEngineError& error) {
            EXPECT_NE(std::string(error.what()), "");
        }
    }
}

// ZIP64 sizes and offsets up to 2^62 are taken as they are, and their entries fail with an
// engine error when the data isn't there: nothing allocated or written by the declared
// size (what a premature end leaves is no more than the archive holds).
TEST_F(Hostile, Zip64SizesPastTheFileFailTheirEntryWithoutAllocatingThem) {
    const std::pair<const char*, uint64_t> cases[] = {
        {"zip64-field-sizes-1tib", uint64_t{1} << 40},
        {"zip64-field-offset-1tib", 15},
        {"zip64-field-offset-plus-size-wraps", uint64_t{1} << 62},
    };
    for (const auto& [name, size] : cases) {
        SCOPED_TRACE(name);
        TUnZipper zipper;
        Open(zipper, name);
        EXPECT_FALSE(zipper.DirectoryRebuilt());
        ASSERT_EQ(zipper.Count(), 1);
        EXPECT_EQ(zipper.EntryUncompressedSize(0), size);
        EXPECT_EQ(zipper.EntryCompressedSize(0), size);
        try {
            EXPECT_EQ(zipper.UnZip(), 0);
            EXPECT_FALSE(zipper.TestEntry(0));
        } catch (const EEngineError& error) {
            EXPECT_NE(std::string(error.what()), "");
        }
        for (const std::string& file : FilesInOut()) {
            EXPECT_LE(fs::file_size(Out() / file), Find(name).Data.size()) << file;
        }
        fs::remove_all(Out());
        std::vector<uint8_t> buffer;
        EXPECT_THROW(zipper.UnZipToBuffer(buffer, 0), EEngineError);
        EXPECT_TRUE(buffer.empty());
    }
}

// The data descriptor's 8-byte sizes claim 1 TiB; the central header's sizes are the ones
// extraction trusts, and a directory disk past the last one means nothing on a single file.
TEST_F(Hostile, Zip64DescriptorsAndDisksThatDisagreeChangeNoEntry) {
    for (const auto& [name, file] : {std::pair{"zip64-descriptor-disagrees", "streamed.txt"},
                                     {"zip64-end-central-disk-after-last", "one.txt"}}) {
        SCOPED_TRACE(name);
        TUnZipper zipper;
        Open(zipper, name);
        EXPECT_FALSE(zipper.DirectoryRebuilt());
        ASSERT_EQ(zipper.Count(), 1);
        EXPECT_TRUE(zipper.TestEntry(0));
        EXPECT_EQ(zipper.UnZip(), 1);
        EXPECT_EQ(FilesInOut(), std::vector<std::string>{file});
        fs::remove_all(Out());
    }
}

}  // namespace
}  // namespace mobrel
