// What new entries take from their Linux files: host Unix with st_mode beside the DOS byte,
// the modification time in an extended timestamp in both headers, links stored as links
// when asked (and reported when a followed one leads nowhere), and update decisions made on
// the exact time where the entry has one.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "format/zip_format.h"
#include "writer/zipper.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr int64_t kBase = 1623758400;  // 2021-06-15 12:00:00 UTC, an even second

// The extended timestamp record as the format lays it out: "UT", length 5, flags 1, time.
std::string TimestampRecord(uint32_t seconds) {
    std::string record = {'U', 'T', 5, 0, 1};
    for (int shift = 0; shift < 32; shift += 8) {
        record.push_back(static_cast<char>(seconds >> shift));
    }
    return record;
}

std::map<std::string, test::RawEntry> EntriesByName(const fs::path& archive) {
    std::map<std::string, test::RawEntry> entries;
    for (test::RawEntry& entry : test::ReadRawEntries(archive)) {
        entries[entry.Name] = std::move(entry);
    }
    return entries;
}

struct SkipLog {
    std::vector<std::pair<TSkipReason, std::string>> Skipped;
    void Attach(TZipper& zipper) {
        zipper.OnSkippingFile = [this](TUnZipper&, TSkipReason reason, const std::string& name, int,
                                       bool&) { Skipped.emplace_back(reason, name); };
    }
};

// A tree zipped recursively with paths relative to its folder.
int ZipTree(const fs::path& tree, const fs::path& archive, bool storeLinks, SkipLog* log = nullptr,
            bool folderEntries = false) {
    TZipper zipper;
    zipper.SetZipName(archive.string());
    zipper.SetRootDir(tree.string());
    zipper.SetRelativePaths(true);
    zipper.SetRecurse(true);
    zipper.SetAddDirEntriesOnRecurse(folderEntries);
    zipper.SetStoreSymlinks(storeLinks);
    if (log != nullptr) {
        log->Attach(zipper);
    }
    zipper.FilesList() = {(tree / "*").string()};
    return zipper.Zip();
}

TEST(ZipperUnixEntries, EveryNewEntryDeclaresUnixWithItsModeBesideTheDosByte) {
    TempDir temp;
    const fs::path tree = temp / "tree";
    test::MakeFile(tree, "run.sh", "#!/bin/sh\n");
    test::MakeFile(tree, "locked.txt", "read only\n");
    test::MakeFile(tree, "private/key.txt", "secret\n");
    chmod((tree / "run.sh").c_str(), 0755);
    chmod((tree / "locked.txt").c_str(), 0444);
    chmod((tree / "private").c_str(), 0700);
    ASSERT_EQ(ZipTree(tree, temp / "a.zip", false, nullptr, true), 4);
    auto entries = EntriesByName(temp / "a.zip");
    ASSERT_EQ(entries.size(), 4u);
    for (const auto& [name, entry] : entries) {
        EXPECT_EQ(entry.VersionMadeBy, 0x031E) << name;
    }
    EXPECT_EQ(entries["run.sh"].ExternalAttributes, 0100755u << 16 | 0x20);
    EXPECT_EQ(entries["locked.txt"].ExternalAttributes, 0100444u << 16 | 0x21);
    EXPECT_EQ(entries["private/"].ExternalAttributes, 040700u << 16 | 0x10);
    EXPECT_EQ(entries["private/key.txt"].ExternalAttributes >> 16 & 0170000, 0100000u);
    chmod((tree / "locked.txt").c_str(), 0644);
}

TEST(ZipperUnixEntries, TheTimeGoesIntoBothHeadersUnlessThe32BitFieldCannotHoldIt) {
    TempDir temp;
    const fs::path tree = temp / "tree";
    test::SetFileTime(test::MakeFile(tree, "now.txt", "now\n"), kBase + 1);
    test::MakeFile(tree, "dir/x.txt", "x\n");
    test::SetFileTime((tree / "dir").string(), kBase);
    // 2040-01-01: past the field's last second, still a DOS date.
    test::SetFileTime(test::MakeFile(tree, "future.txt", "later\n"), 2208988800);
    ASSERT_EQ(ZipTree(tree, temp / "a.zip", false, nullptr, true), 4);
    auto entries = EntriesByName(temp / "a.zip");
    // The odd second the DOS date-time can't hold is kept exactly here.
    EXPECT_EQ(entries["now.txt"].CentralExtra, TimestampRecord(kBase + 1));
    EXPECT_EQ(entries["now.txt"].LocalExtra, TimestampRecord(kBase + 1));
    EXPECT_EQ(entries["dir/"].CentralExtra, TimestampRecord(kBase));
    EXPECT_EQ(entries["future.txt"].CentralExtra, "");
    EXPECT_EQ(entries["future.txt"].LocalExtra, "");
    auto extracted = test::ExtractWithUnzip(temp / "a.zip");
    EXPECT_EQ(extracted["now.txt"].ModifiedTime, kBase + 1);
    // Without the field the DOS date-time (local time) still says 2040.
    EXPECT_NEAR(extracted["future.txt"].ModifiedTime, int64_t{2208988800}, 86400);
    test::ExpectPeersAccept(temp / "a.zip");
}

TEST(ZipperUnixEntries, UpdateComparesExactTimesWhereTheEntryHasOneElseDosSteps) {
    TempDir temp;
    const std::string ours = test::MakeFile(temp.Path(), "ours/a.txt", "first\n");
    const std::string peers = test::MakeFile(temp.Path(), "peers/a.txt", "first\n");
    test::SetFileTime(ours, kBase);
    test::SetFileTime(peers, kBase);
    const fs::path withField = temp / "with.zip";
    const fs::path dosOnly = temp / "dos.zip";
    {
        TZipper zipper;
        zipper.SetZipName(withField.string());
        zipper.FilesList() = {ours};
        ASSERT_EQ(zipper.Zip(), 1);
    }
    // zip -X writes no extra field: the DOS date-time is all the entry has.
    ASSERT_EQ(test::RunCommand("cd " + test::ShellQuote((temp / "peers").string()) +
                               " && zip -qX " + test::ShellQuote(dosOnly.string()) + " a.txt")
                  .ExitCode,
              0);
    auto update = [](const fs::path& archive, const std::string& file) {
        TZipper zipper;
        zipper.SetZipName(archive.string());
        zipper.SetZipAction(zaUpdate);
        zipper.FilesList() = {file};
        return zipper.Zip();
    };
    // One second newer: exact times tell; two-second DOS steps do not.
    test::WriteFileText(ours, "second\n");
    test::WriteFileText(peers, "second\n");
    test::SetFileTime(ours, kBase + 1);
    test::SetFileTime(peers, kBase + 1);
    EXPECT_EQ(update(withField, ours), 1);
    EXPECT_EQ(update(dosOnly, peers), 0);
    EXPECT_EQ(test::ExtractWithUnzip(withField)["a.txt"].Bytes, "second\n");
    EXPECT_EQ(test::ExtractWithUnzip(dosOnly)["a.txt"].Bytes, "first\n");
    // The replaced entry carries its new time; a file no newer than that is kept.
    EXPECT_EQ(EntriesByName(withField)["a.txt"].CentralExtra, TimestampRecord(kBase + 1));
    EXPECT_EQ(update(withField, ours), 0);
    test::SetFileTime(peers, kBase + 2);
    EXPECT_EQ(update(dosOnly, peers), 1);
    EXPECT_EQ(test::ExtractWithUnzip(dosOnly)["a.txt"].Bytes, "second\n");
}

// A file, a folder, a link to each and a dangling link.
struct LinkedTree {
    TempDir Temp;
    fs::path Tree = Temp / "tree";
    LinkedTree() {
        test::MakeFile(Tree, "data.txt", "the data\n");
        test::MakeFile(Tree, "folder/inner.txt", "inner\n");
        fs::create_symlink("data.txt", Tree / "to-data");
        fs::create_directory_symlink("folder", Tree / "to-folder");
        fs::create_symlink("gone.txt", Tree / "dangling");
    }
};

TEST(ZipperUnixEntries, StoredLinksHoldTheirTargetTextAndLinkedFoldersAreNotSearched) {
    LinkedTree linked;
    SkipLog log;
    const fs::path archive = linked.Temp / "links.zip";
    for (int level : {0, 9}) {
        fs::remove(archive);
        TZipper zipper;
        zipper.SetZipName(archive.string());
        zipper.SetRootDir(linked.Tree.string());
        zipper.SetRelativePaths(true);
        zipper.SetStoreSymlinks(true);
        zipper.SetPackLevel(level);
        log.Attach(zipper);
        zipper.FilesList() = {(linked.Tree / "*").string()};
        EXPECT_EQ(zipper.Zip(), 5);
        auto entries = EntriesByName(archive);
        ASSERT_EQ(entries.size(), 5u) << "level " << level;
        EXPECT_EQ(entries.count("to-folder/inner.txt"), 0u);
        for (const char* link : {"to-data", "to-folder", "dangling"}) {
            EXPECT_EQ(entries[link].ExternalAttributes >> 16 & 0170000, 0120000u) << link;
        }
        auto extracted = test::ExtractWithPython(archive);
        EXPECT_EQ(extracted["to-data"].Bytes, "data.txt");
        EXPECT_EQ(extracted["to-folder"].Bytes, "folder");
        EXPECT_EQ(extracted["dangling"].Bytes, "gone.txt");
        test::ExpectPeersAccept(archive);
    }
    EXPECT_TRUE(log.Skipped.empty());
}

TEST(ZipperUnixEntries, FollowedLinksGiveTheirTargetsAndADanglingOneIsReportedSkipped) {
    LinkedTree linked;
    SkipLog log;
    const fs::path archive = linked.Temp / "followed.zip";
    EXPECT_EQ(ZipTree(linked.Tree, archive, false, &log), 4);
    auto extracted = test::ExtractWithPython(archive);
    EXPECT_EQ(extracted["to-data"].Bytes, "the data\n");
    EXPECT_EQ(extracted["to-folder/inner.txt"].Bytes, "inner\n");
    EXPECT_EQ(EntriesByName(archive)["to-data"].ExternalAttributes >> 16 & 0170000, 0100000u);
    ASSERT_EQ(log.Skipped.size(), 1u);
    EXPECT_EQ(log.Skipped[0].first, skDanglingLink);
    EXPECT_EQ(fs::path(log.Skipped[0].second).filename(), "dangling");

    // Named on its own, a dangling link is skipped too, not reported as missing.
    log.Skipped.clear();
    bool missing = false;
    TZipper zipper;
    zipper.SetZipName(archive.string());
    log.Attach(zipper);
    zipper.OnNoSuchFile = [&](TZipper&, const std::string&) { missing = true; };
    zipper.FilesList() = {(linked.Tree / "dangling").string()};
    EXPECT_EQ(zipper.Zip(), 0);
    EXPECT_FALSE(missing);
    ASSERT_EQ(log.Skipped.size(), 1u);
    EXPECT_EQ(log.Skipped[0].first, skDanglingLink);
}

}  // namespace
}  // namespace mobrel
