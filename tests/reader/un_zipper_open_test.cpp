// Opening files that are not (or no longer) sound archives: what each IncompleteZipMode
// makes of them, the events fired and the exact messages, the rebuild from local headers,
// zip64 archives, and reading again after the file changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

#include "format/zip_builder.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "platform/interactive_services.h"
#include "reader/un_zipper.h"
#include "reader/zipinfo_oracle.h"
#include "test_support.h"

namespace mobrel {
namespace {

using test::Bytes;

// The writer's repair sets this flag around its read; the tests set it the same way.
class RepairingUnZipper : public TUnZipper {
  public:
    void SetRepairing(bool value) { repairing_ = value; }
};

// Services whose message processing runs a hook, for cancelling a long scan.
struct ScanServices : TInteractiveServices {
    int Processed = 0;
    std::function<void()> OnProcess;
    void ProcessMessages() override {
        ++Processed;
        if (OnProcess) {
            OnProcess();
        }
    }
};

class ServicesScope {
  public:
    explicit ServicesScope(TInteractiveServices& services) { InstallServices(&services); }
    ~ServicesScope() { InstallServices(nullptr); }
};

test::ZipBuilder ThreeEntries() {
    test::ZipBuilder builder;
    builder.Add({"docs/readme.txt", "read me\n", 0x58AF6457, "first comment"});
    builder.Add({"docs/", "", 0x58AF6457, ""});
    builder.Add({"data.bin", std::string(300, 'x'), 0x58AF6457, "third"});
    builder.ArchiveComment = "the archive";
    return builder;
}

std::string WriteTemp(const test::TempDir& temp, const std::string& name, const Bytes& bytes) {
    const auto path = temp / name;
    test::WriteFileBytes(path, bytes);
    return path.string();
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

// Runs ReadZip and returns the exception's message ("" when none escaped). Anything but
// one of the engine's own exceptions fails the test.
template <class E>
std::string ReadZipRaising(TUnZipper& zipper) {
    try {
        zipper.ReadZip();
    } catch (const E& error) {
        return error.what();
    } catch (const EEngineError& error) {
        ADD_FAILURE() << "another engine exception: " << error.what();
    }
    return "";
}

// --- Files without an end record ---

class NoEndRecordTest : public testing::Test {
  protected:
    test::TempDir temp;
    std::string text = WriteTemp(temp, "notes.zip", Bytes(600, 'a'));
};

TEST_F(NoEndRecordTest, AssumedMultiWithoutHandlerLeavesNoDirectoryAndNoError) {
    TUnZipper zipper;
    zipper.SetZipName(text);
    zipper.ReadZip();
    EXPECT_EQ(zipper.Count(), 0);
    EXPECT_EQ(zipper.ZipName(), text);
    // The next operation that needs the directory meets the same missing end record.
    zipper.FilesList() = {"*"};
    try {
        zipper.UnZip();
        FAIL() << "UnZip read a file without end record";
    } catch (const EIncompleteZip& error) {
        EXPECT_STREQ(error.what(), "Incomplete Zip File");
    }
    EXPECT_TRUE(zipper.FilesList().empty());
    EXPECT_FALSE(zipper.Busy());
}

TEST_F(NoEndRecordTest, HandlerIsAskedAgainUntilItChoosesAnotherMode) {
    TUnZipper zipper;
    zipper.SetZipName(text);
    std::vector<TIncompleteZipMode> offered;
    zipper.OnInCompleteZip = [&](TUnZipper&, TIncompleteZipMode& mode) {
        offered.push_back(mode);
        if (offered.size() == 2) {
            mode = izAssumeNotAZip;
        }
    };
    EXPECT_EQ(ReadZipRaising<ENotAZipFile>(zipper), "Not a valid zip file!");
    EXPECT_EQ(offered, (std::vector<TIncompleteZipMode>{izAssumeMulti, izAssumeMulti}));
    EXPECT_EQ(zipper.IncompleteZipMode(), izAssumeNotAZip);  // the handler's choice is kept
    EXPECT_EQ(zipper.ZipName(), "");
}

TEST_F(NoEndRecordTest, AnExceptionFromTheHandlerEndsReadZipWithTheDirectoryCleared) {
    TUnZipper zipper;
    zipper.SetZipName(text);
    zipper.OnInCompleteZip = [](TUnZipper&, TIncompleteZipMode&) { throw EUserCanceled("quiet"); };
    EXPECT_EQ(ReadZipRaising<EUserCanceled>(zipper), "quiet");
    EXPECT_EQ(zipper.ZipName(), "");
    EXPECT_EQ(zipper.Count(), 0);
}

TEST_F(NoEndRecordTest, AssumedBadOrNotAZipRaiseAndEmptyZipName) {
    for (TIncompleteZipMode mode : {izAssumeBad, izAssumeNotAZip}) {
        TUnZipper zipper;
        zipper.SetIncompleteZipMode(mode);
        zipper.SetZipName(text);
        const std::string message = mode == izAssumeBad ? ReadZipRaising<EBadZipFile>(zipper)
                                                        : ReadZipRaising<ENotAZipFile>(zipper);
        EXPECT_EQ(message, "Not a valid zip file!");
        EXPECT_EQ(zipper.ZipName(), "");
        EXPECT_EQ(zipper.Count(), 0);
    }
}

TEST_F(NoEndRecordTest, RepairRebuildsWithoutAskingWhateverTheMode) {
    test::ZipBuilder builder = ThreeEntries();
    std::vector<uint32_t> offsets;
    const std::string cut = WriteTemp(temp, "cut.zip", builder.LocalPart(offsets));
    RepairingUnZipper zipper;
    zipper.SetIncompleteZipMode(izAssumeNotAZip);
    bool asked = false;
    zipper.OnInCompleteZip = [&](TUnZipper&, TIncompleteZipMode&) { asked = true; };
    zipper.SetRepairing(true);
    zipper.SetZipName(cut);
    zipper.ReadZip();
    EXPECT_FALSE(asked);
    EXPECT_EQ(zipper.Count(), 3);
}

TEST(EmptyFiles, AZeroByteFileIsAnEmptyArchiveInEveryMode) {
    test::TempDir temp;
    const std::string empty = WriteTemp(temp, "empty.zip", {});
    for (TIncompleteZipMode mode : {izAssumeMulti, izAssumeBad, izAssumeNotAZip}) {
        TUnZipper zipper;
        bool asked = false;
        zipper.OnInCompleteZip = [&](TUnZipper&, TIncompleteZipMode&) { asked = true; };
        zipper.SetIncompleteZipMode(mode);
        zipper.SetZipName(empty);
        zipper.ReadZip();
        EXPECT_EQ(zipper.Count(), 0);
        EXPECT_FALSE(asked);
        EXPECT_EQ(zipper.ZipName(), empty);
        EXPECT_EQ(zipper.ZipSize(), 0);
    }
}

// --- Rebuilding from local headers ---

TEST(Rebuild, TruncatedArchiveRecoversTheEntriesAPeerFindsByScanning) {
    const auto archive = test::TestDataDir() / "corrupt-truncated-at-20000--derived.zip";
    // 7-Zip scans local headers too; its folder names lack the trailing '/'.
    const test::CommandResult peer =
        test::RunCommand("7z l -slt " + test::ShellQuote(archive.string()));
    std::vector<std::string> expected;
    std::istringstream lines(peer.Output);
    std::string line;
    bool first = true;
    while (std::getline(lines, line)) {
        if (line.rfind("Path = ", 0) == 0) {
            if (!first) {  // the first Path is the archive itself
                expected.push_back(line.substr(7));
            }
            first = false;
        }
    }
    ASSERT_FALSE(expected.empty()) << peer.Output;

    TUnZipper zipper;
    zipper.SetIncompleteZipMode(izAssumeBad);
    zipper.SetZipName(archive.string());
    zipper.ReadZip();
    EXPECT_TRUE(zipper.DirectoryRebuilt());
    std::vector<std::string> ours;
    for (std::string name : FullNames(zipper)) {
        std::replace(name.begin(), name.end(), '\\', '/');
        if (!name.empty() && name.back() == '/') {
            name.pop_back();
        }
        ours.push_back(name);
    }
    EXPECT_EQ(ours, expected);
    EXPECT_EQ(zipper.DiskCount(), 1);
    EXPECT_EQ(zipper.CurrentDisk(), 0);
}

TEST(Rebuild, JunkInFrontWithUnadjustedOffsetsKeepsTrueOffsetsAndMergesNothing) {
    test::TempDir temp;
    const Bytes archive = ThreeEntries().Build();
    const std::string path = WriteTemp(temp, "junk.zip", Concat(Bytes(100, 'j'), archive));
    TUnZipper zipper;
    bool asked = false;
    zipper.OnInCompleteZip = [&](TUnZipper&, TIncompleteZipMode&) { asked = true; };
    zipper.SetZipName(path);
    zipper.ReadZip();
    EXPECT_FALSE(asked);  // the end record is there; only the offsets are wrong
    EXPECT_TRUE(zipper.DirectoryRebuilt());
    ASSERT_EQ(zipper.Count(), 3);
    EXPECT_EQ(FullNames(zipper),
              (std::vector<std::string>{"docs\\readme.txt", "docs\\", "data.bin"}));
    EXPECT_EQ(zipper.EntryInfo(0).LocalHeaderOffset, 100u);
    for (int i = 0; i < zipper.Count(); ++i) {
        EXPECT_EQ(zipper.EntryInfo(i).ExternalAttributes, 0u);  // from the local header only
        EXPECT_EQ(zipper.EntryComment(i), "");
    }
    // The archive comment is still where the end record says.
    EXPECT_EQ(zipper.ZipComment(), "the archive");
}

TEST(Rebuild, ABrokenCentralDirectoryIsRebuiltAndMergedWhereOffsetsMatch) {
    test::TempDir temp;
    Bytes archive = ThreeEntries().Build();
    // Break the signature of the second central header only: the first one is read, then
    // the rebuild takes over and merges the central headers it can read again.
    std::vector<uint32_t> offsets;
    const size_t centralStart = ThreeEntries().LocalPart(offsets).size();
    const size_t second = centralStart + 46 + std::string("docs/readme.txt").size() +
                          std::string("first comment").size();
    ASSERT_EQ(archive[second], 0x50);
    archive[second] = 'X';
    const std::string path = WriteTemp(temp, "broken.zip", archive);
    TUnZipper zipper;
    zipper.SetZipName(path);
    zipper.ReadZip();
    EXPECT_TRUE(zipper.DirectoryRebuilt());
    ASSERT_EQ(zipper.Count(), 3);
    // The first central header sits where the scan stopped, so it is merged.
    EXPECT_EQ(zipper.EntryInfo(0).ExternalAttributes, 0x81A40000u);
    EXPECT_EQ(zipper.EntryComment(0), "first comment");
    EXPECT_EQ(zipper.EntryInfo(2).ExternalAttributes, 0u);
}

TEST(Rebuild, CentralOffsetPastTheEndOfTheFileFallsBackToTheScan) {
    TUnZipper zipper;
    zipper.SetZipName((test::TestDataDir() / "corrupt-cd-offset-wrong--libzip.zip").string());
    zipper.ReadZip();
    EXPECT_TRUE(zipper.DirectoryRebuilt());
    EXPECT_EQ(FullNames(zipper), std::vector<std::string>{"a"});
}

TEST(Rebuild, NoLocalHeaderAnywhereIsNotAValidZipFile) {
    test::TempDir temp;
    Bytes archive = ThreeEntries().Build();
    for (size_t i = 0; i + 4 <= archive.size(); ++i) {
        if (archive[i] == 0x50 && archive[i + 1] == 0x4B && archive[i + 2] != 5) {
            archive[i] = 'X';  // every local and central signature
        }
    }
    const std::string path = WriteTemp(temp, "nothing.zip", archive);
    TUnZipper zipper;
    zipper.SetZipName(path);
    EXPECT_EQ(ReadZipRaising<EBadZipFile>(zipper), "Not a valid zip file!");
    EXPECT_EQ(zipper.ZipName(), "");
}

TEST(Rebuild, SelfExtractorIsScannedFromByte14000) {
    test::TempDir temp;
    test::ZipBuilder builder = ThreeEntries();
    std::vector<uint32_t> offsets;
    const Bytes locals = builder.LocalPart(offsets);
    // No end record: the entries are found only where the scan looks.
    const std::string early = WriteTemp(temp, "setup.EXE", Concat(Bytes(500, 0), locals));
    const std::string late = WriteTemp(temp, "late.exe", Concat(Bytes(14000, 0), locals));
    const std::string plain = WriteTemp(temp, "setup.zip", Concat(Bytes(500, 0), locals));
    for (const auto& [name, found] :
         std::vector<std::pair<std::string, int>>{{early, -1}, {late, 3}, {plain, 3}}) {
        SCOPED_TRACE(name);
        TUnZipper zipper;
        zipper.SetIncompleteZipMode(izAssumeBad);
        zipper.SetZipName(name);
        if (found < 0) {
            EXPECT_EQ(ReadZipRaising<EBadZipFile>(zipper), "Not a valid zip file!");
        } else {
            zipper.ReadZip();
            EXPECT_EQ(zipper.Count(), found);
        }
    }
}

TEST(Rebuild, ScanLetsTheInterfaceRunEvery10240SkippedBytesAndHonoursCancel) {
    test::TempDir temp;
    const std::string path = WriteTemp(temp, "long.zip", Bytes(30000, 'z'));
    ScanServices services;
    ServicesScope scope(services);
    {
        TUnZipper zipper;
        zipper.SetIncompleteZipMode(izAssumeBad);
        zipper.SetZipName(path);
        EXPECT_EQ(ReadZipRaising<EBadZipFile>(zipper), "Not a valid zip file!");
        EXPECT_EQ(services.Processed, 2);  // 30000 bytes: after 10240 and 20480
    }
    {
        TUnZipper zipper;
        zipper.SetIncompleteZipMode(izAssumeBad);
        zipper.SetZipName(path);
        services.Processed = 0;
        services.OnProcess = [&] { zipper.SetCancelRequested(true); };
        EXPECT_EQ(ReadZipRaising<EUserCanceled>(zipper), "User Aborted Operation");
        EXPECT_EQ(services.Processed, 1);
        EXPECT_FALSE(zipper.CancelRequested());
    }
    {
        TUnZipper zipper;
        zipper.SetDoProcessMessages(false);
        zipper.SetIncompleteZipMode(izAssumeBad);
        zipper.SetZipName(path);
        services.Processed = 0;
        EXPECT_EQ(ReadZipRaising<EBadZipFile>(zipper), "Not a valid zip file!");
        EXPECT_EQ(services.Processed, 0);
    }
}

TEST(CentralDirectory, ALongDirectoryReportsItsProgressAndHonoursCancel) {
    test::TempDir temp;
    test::ZipBuilder builder;
    for (int i = 0; i < 10000; ++i) {
        builder.Add({"f" + std::to_string(i), ""});
    }
    const std::string path = WriteTemp(temp, "many.zip", builder.Build());
    ScanServices services;
    ServicesScope scope(services);
    {
        TUnZipper zipper;
        std::vector<int> percents;
        zipper.OnTotalPercentDone = [&](TUnZipper&, int percent) { percents.push_back(percent); };
        zipper.SetZipName(path);
        zipper.ReadZip();
        EXPECT_EQ(zipper.Count(), 10000);
        EXPECT_EQ(percents, (std::vector<int>{41, 82}));  // after 4096 and 8192 headers
        EXPECT_EQ(services.Processed, 2);
    }
    {
        TUnZipper zipper;
        zipper.SetZipName(path);
        services.OnProcess = [&] { zipper.SetCancelRequested(true); };
        EXPECT_EQ(ReadZipRaising<EUserCanceled>(zipper), "User Aborted Operation");
        EXPECT_EQ(zipper.Count(), 0);
        // As after any failed read, the name is forgotten; a later read starts afresh.
        EXPECT_EQ(zipper.ZipName(), "");
        services.OnProcess = nullptr;
        zipper.SetZipName(path);
        zipper.ReadZip();
        EXPECT_EQ(zipper.Count(), 10000);
    }
}

// --- Damaged central directories ---

TEST(CentralDirectory, DeclaredExtraBytesThatAreMissingAreTolerated) {
    test::TempDir temp;
    test::ZipBuilder builder;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        test::BuiltEntry entry{name, std::string("data of ") + name};
        entry.DeclaredExtraLength = 5;
        builder.Add(entry);
    }
    const std::string path = WriteTemp(temp, "extra.zip", builder.Build());
    TUnZipper zipper;
    zipper.SetZipName(path);
    zipper.ReadZip();
    EXPECT_FALSE(zipper.DirectoryRebuilt());
    ASSERT_EQ(FullNames(zipper), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    // Each header followed by another one was found to lack its extra bytes.
    EXPECT_EQ(zipper.EntryInfo(0).ExtraFieldLength, 0);
    EXPECT_EQ(zipper.EntryInfo(1).ExtraFieldLength, 0);
    EXPECT_EQ(zipper.EntryInfo(0).ExternalAttributes, 0x81A40000u);  // central, not local
}

TEST(CentralDirectory, TwoEntriesAtOneOffsetMakeTheReaderScanInstead) {
    test::TempDir temp;
    test::ZipBuilder builder = ThreeEntries();
    builder.DuplicateOffsetOf = 0;
    const std::string path = WriteTemp(temp, "dup.zip", builder.Build());
    TUnZipper zipper;
    zipper.SetZipName(path);
    zipper.ReadZip();
    EXPECT_TRUE(zipper.DirectoryRebuilt());
    // The central headers are merged again, but each found entry takes only the first one
    // that claims its position: the later claim of data.bin can't rename readme.txt.
    EXPECT_EQ(FullNames(zipper),
              (std::vector<std::string>{"docs\\readme.txt", "docs\\", "data.bin"}));
    EXPECT_EQ(zipper.EntryUncompressedSize(0), 8u);
    EXPECT_EQ(zipper.EntryComment(0), "first comment");
    EXPECT_EQ(zipper.EntryInfo(2).ExternalAttributes, 0u);
}

// --- Zip64 ---

struct Zip64Outcome {
    std::string File;
    std::string What;
};

// Every zip64 archive of the test folder lists as zipinfo lists it: the 64-bit sizes, and
// the entries past the 16-bit count. Never sizes made up from saturated fields.
TEST(Zip64, EveryZip64ArchiveListsAsZipinfoDoes) {
    std::vector<Zip64Outcome> outcomes;
    for (const test::ManifestRow& row : test::ReadManifest()) {
        const bool zip64 = row.Features.find("zip64") != std::string::npos &&
                           row.Features.find("decoy") == std::string::npos;
        const bool splitPart = row.Features.find("[split set") != std::string::npos;
        if (!zip64 || (splitPart && row.File.find(".zip") == std::string::npos)) {
            continue;
        }
        SCOPED_TRACE(row.File);
        test::TempDir temp;
        std::string archive = (test::TestDataDir() / row.File).string();
        if (splitPart) {  // the set renamed into numbered files
            const std::string base = row.File.substr(0, row.File.size() - 4);
            int n = 1;
            for (const char* ext : {".z01", ".z02", ".zip"}) {
                archive = (temp / ("set.00" + std::to_string(n++))).string();
                std::filesystem::copy_file(test::TestDataDir() / (base + ext), archive);
            }
        }
        TUnZipper zipper;
        zipper.SetZipName(archive);
        zipper.ReadZip();
        const test::ZipinfoListing peer = test::RunZipinfo(test::TestDataDir() / row.File);
        ASSERT_EQ(static_cast<size_t>(zipper.Count()), peer.Entries.size());
        for (int i = 0; i < zipper.Count(); ++i) {
            std::string name = zipper.EntryFullName(i);
            std::replace(name.begin(), name.end(), '\\', '/');
            const auto theirs = std::find_if(peer.Entries.begin(), peer.Entries.end(),
                                             [&](const auto& e) { return e.Name == name; });
            ASSERT_NE(theirs, peer.Entries.end()) << name;
            EXPECT_EQ(zipper.EntryCompressedSize(i), theirs->CompressedSize);
            EXPECT_EQ(zipper.EntryUncompressedSize(i), theirs->UncompressedSize);
        }
        outcomes.push_back({row.File, "listed, " + std::to_string(zipper.Count()) + " entries"});
    }
    EXPECT_GE(outcomes.size(), 10u);
    for (const auto& outcome : outcomes) {
        std::printf("  %-55s %s\n", outcome.File.c_str(), outcome.What.c_str());
    }
}

// --- Reading again ---

TEST(Refresh, ANewModificationTimeMakesTheNextOperationReadAgain) {
    test::TempDir temp;
    const std::string path = WriteTemp(temp, "grow.zip", ThreeEntries().Build());
    TUnZipper zipper;
    zipper.SetZipName(path);
    zipper.ReadZip();
    ASSERT_EQ(zipper.Count(), 3);
    test::ZipBuilder bigger = ThreeEntries();
    bigger.Add({"more.txt", "more"});
    test::WriteFileBytes(path, bigger.Build());
    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
    EXPECT_EQ(zipper.Count(), 3);  // nothing is read until an operation runs
    zipper.ReadZip();
    EXPECT_EQ(zipper.Count(), 4);
    // ZipSize is an operation too: it reads the changed file.
    test::WriteFileBytes(path, ThreeEntries().Build());
    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
    EXPECT_EQ(zipper.ZipSize(), static_cast<int64_t>(std::filesystem::file_size(path)));
    EXPECT_EQ(zipper.Count(), 3);
}

TEST(Refresh, ARebuiltDirectoryIsRebuiltAgainAfterTheFileChanged) {
    test::TempDir temp;
    const Bytes archive = ThreeEntries().Build();
    const std::string path = WriteTemp(temp, "junk.zip", Concat(Bytes(50, 'j'), archive));
    TUnZipper zipper;
    zipper.SetZipName(path);
    zipper.ReadZip();
    ASSERT_TRUE(zipper.DirectoryRebuilt());
    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
    zipper.ReadZip();
    EXPECT_EQ(zipper.Count(), 3);
    EXPECT_TRUE(zipper.DirectoryRebuilt());
}

TEST(Refresh, SettingZipNameForgetsEverythingAndReadsNothing) {
    test::TempDir temp;
    const std::string path = WriteTemp(temp, "a.zip", ThreeEntries().Build());
    TUnZipper zipper;
    zipper.SetZipName(path);
    zipper.ReadZip();
    ASSERT_EQ(zipper.Count(), 3);
    zipper.SetZipName(path);  // the same name changes nothing
    EXPECT_EQ(zipper.Count(), 3);
    zipper.SetZipName((temp / "missing.zip").string());
    EXPECT_EQ(zipper.Count(), 0);
    EXPECT_THROW(zipper.ReadZip(), EFileError);
    EXPECT_EQ(zipper.ZipName(), "");
}

}  // namespace
}  // namespace mobrel
