// What extraction gives the files of a Unix-host archive besides their bytes: the
// permissions stored with each entry less the umask (never set-user-ID, set-group-ID or
// sticky), given after a file is written and after a folder is filled; the exact
// modification time of the extended timestamp, for files and folders alike; and that
// exact time in the overwrite rules and the date order.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <tuple>
#include <utility>

#include "format/modification_time_field.h"
#include "format/zip_builder.h"
#include "platform/engine_errors.h"
#include "platform/file_permissions.h"
#include "reader/un_zipper.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::Put16;
using test::Put32;
using test::PutText;

constexpr uint16_t kUnixHost = 0x031E;
constexpr uint16_t kDosHost = 0x0014;

struct UnixEntry {
    UnixEntry(std::string name, std::string data, uint32_t mode = 0100644,
              std::optional<int64_t> exact = std::nullopt, uint16_t madeBy = kUnixHost,
              uint8_t dosAttributes = 0, uint32_t dosDateTime = 0x58AF6457)
        : Name(std::move(name)),
          Data(std::move(data)),
          Mode(mode),
          Exact(exact),
          MadeBy(madeBy),
          DosAttributes(dosAttributes),
          DosDateTime(dosDateTime) {}

    std::string Name;
    std::string Data;
    uint32_t Mode = 0100644;       // st_mode; 0 leaves the high half of the attributes empty
    std::optional<int64_t> Exact;  // an extended timestamp
    uint16_t MadeBy = kUnixHost;
    uint8_t DosAttributes = 0;
    uint32_t DosDateTime = 0x58AF6457;  // 2024-05-15 12:34:46 local
};

// Stored entries with their hosts, attributes and time fields in both headers.
Bytes Build(const std::vector<UnixEntry>& entries) {
    Bytes out;
    Bytes central;
    for (const UnixEntry& e : entries) {
        const std::string extra = e.Exact ? ExtendedTimestampField(*e.Exact) : std::string();
        const uint32_t offset = static_cast<uint32_t>(out.size());
        for (Bytes* part : {&out, &central}) {
            const bool isCentral = part == &central;
            Put32(*part, isCentral ? 0x02014B50 : 0x04034B50);
            if (isCentral) {
                Put16(*part, e.MadeBy);
            }
            Put16(*part, 10);
            Put16(*part, 0);
            Put16(*part, 0);
            Put32(*part, e.DosDateTime);
            Put32(*part, test::Crc32Of(e.Data));
            Put32(*part, static_cast<uint32_t>(e.Data.size()));
            Put32(*part, static_cast<uint32_t>(e.Data.size()));
            Put16(*part, static_cast<uint16_t>(e.Name.size()));
            Put16(*part, static_cast<uint16_t>(extra.size()));
            if (isCentral) {
                Put16(*part, 0);
                Put16(*part, 0);
                Put16(*part, 0);
                Put32(*part, e.Mode << 16 | e.DosAttributes);
                Put32(*part, offset);
            }
            PutText(*part, e.Name);
            PutText(*part, extra);
            if (!isCentral) {
                PutText(*part, e.Data);
            }
        }
    }
    const uint32_t centralOffset = static_cast<uint32_t>(out.size());
    out.insert(out.end(), central.begin(), central.end());
    const Bytes end =
        test::ZipBuilder::EndRecord(0, 0, static_cast<uint16_t>(entries.size()),
                                    static_cast<uint32_t>(central.size()), centralOffset, "");
    out.insert(out.end(), end.begin(), end.end());
    return out;
}

class ExtractUnix : public ::testing::Test {
  protected:
    void TearDown() override {
        // Folders extracted without write permission must not stop the clean-up.
        if (fs::exists(Out())) {
            for (const auto& item : fs::recursive_directory_iterator(Out())) {
                if (item.is_directory() && !item.is_symlink()) {
                    fs::permissions(item.path(), fs::perms::owner_all, fs::perm_options::add);
                }
            }
        }
    }
    fs::path Out() const { return temp / "out"; }
    void Open(TUnZipper& zipper, const std::vector<UnixEntry>& entries) {
        test::WriteFileBytes(temp / "unix.zip", Build(entries));
        zipper.SetZipName((temp / "unix.zip").string());
        zipper.SetDestDir(Out().string());
        zipper.SetRecreateDirs(true);
        zipper.SetDoAll(true);
        zipper.SetOverwriteMode(TUZOverwriteMode::Always);
    }
    static mode_t Permissions(const fs::path& path) {
        struct stat info {};
        EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
        return info.st_mode & 07777;
    }
    static time_t Modified(const fs::path& path) {
        struct stat info {};
        EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
        return info.st_mtime;
    }

    test::TempDir temp;
    const uint32_t umask = ProcessUmask();
};

TEST_F(ExtractUnix, PermissionsAreTheStoredOnesLessTheUmaskGivenOnceWritten) {
    TUnZipper zipper;
    Open(zipper, {{"ro.txt", "written whole", 0100400},
                  {"setuid.sh", "#!", 0104777},
                  {"sticky/", "", 041777},
                  {"closed/", "", 040500},
                  {"closed/inside.txt", "still written", 0100640},
                  {"dos-ro.txt", "dos", 0, std::nullopt, kDosHost, 0x21},
                  {"dos-rw.txt", "dos", 0, std::nullopt, kDosHost, 0x20}});
    EXPECT_EQ(zipper.UnZip(), 7);
    EXPECT_EQ(test::ReadFileBytes(Out() / "ro.txt").size(), 13u);
    EXPECT_EQ(Permissions(Out() / "ro.txt"), 0400 & ~umask);
    EXPECT_EQ(Permissions(Out() / "setuid.sh"), 0777 & ~umask);
    EXPECT_EQ(Permissions(Out() / "sticky"), 0777 & ~umask);
    EXPECT_EQ(Permissions(Out() / "closed"), 0500 & ~umask);
    EXPECT_EQ(test::ReadFileBytes(Out() / "closed" / "inside.txt").size(), 13u);
    EXPECT_EQ(Permissions(Out() / "closed" / "inside.txt"), 0640 & ~umask);
    // Other hosts keep the attribute byte's one meaning here: read-only.
    EXPECT_EQ(Permissions(Out() / "dos-ro.txt"), 0444 & ~umask);
    EXPECT_EQ(Permissions(Out() / "dos-rw.txt"), 0666 & ~umask);
}

TEST_F(ExtractUnix, WithoutRetainAttributesFilesGetTheModeOfANewFile) {
    TUnZipper zipper;
    Open(zipper, {{"x.sh", "#!", 0100755}, {"ro.txt", "r", 0100444}});
    zipper.SetRetainAttributes(false);
    EXPECT_EQ(zipper.UnZip(), 2);
    EXPECT_EQ(Permissions(Out() / "x.sh"), 0666 & ~umask);
    EXPECT_EQ(Permissions(Out() / "ro.txt"), 0666 & ~umask);
}

TEST_F(ExtractUnix, FilesAndFoldersGetTheExactTimeOnceTheFolderIsFilled) {
    TUnZipper zipper;
    Open(zipper, {{"dir/", "", 040755, 1700000005},
                  {"dir/sub/", "", 040755, 1700000007},
                  {"dir/sub/a.txt", "a", 0100644, 1700000001},
                  {"dir/b.txt", "b", 0100644, 1700000003},
                  {"dos-dated.txt", "c", 0100644}});
    EXPECT_EQ(zipper.UnZip(), 5);
    EXPECT_EQ(Modified(Out() / "dir"), 1700000005);
    EXPECT_EQ(Modified(Out() / "dir" / "sub"), 1700000007);
    EXPECT_EQ(Modified(Out() / "dir" / "sub" / "a.txt"), 1700000001);
    EXPECT_EQ(Modified(Out() / "dir" / "b.txt"), 1700000003);
    EXPECT_EQ(Modified(Out() / "dos-dated.txt"), *DosDateTimeToDateTime(0x58AF6457));
}

TEST_F(ExtractUnix, ACancelledRunStillGivesTheFoldersMadeSoFarTheirTimesAndModes) {
    TUnZipper zipper;
    Open(zipper, {{"dir/", "", 040700, 1700000005},
                  {"dir/a.txt", "a", 0100644, 1700000001},
                  {"dir/b.txt", "b", 0100644, 1700000003}});
    zipper.OnEndUnZip = [](TUnZipper& sender, int, const std::string&) {
        sender.SetCancelRequested(true);
    };
    EXPECT_THROW(zipper.UnZip(), EUserCanceled);
    EXPECT_TRUE(fs::exists(Out() / "dir" / "a.txt"));
    EXPECT_EQ(Modified(Out() / "dir"), 1700000005);
    EXPECT_EQ(Permissions(Out() / "dir"), 0700 & ~umask);
}

TEST_F(ExtractUnix, AStoredFolderThatIsTheDestinationLeavesItAsItWas) {
    TUnZipper zipper;
    fs::create_directories(Out());
    fs::permissions(Out(), static_cast<fs::perms>(0750));
    Open(zipper, {{"../", "", 040000, 1700000005}, {"./", "", 040777, 1700000005}});
    zipper.UnZip();
    EXPECT_EQ(Permissions(Out()), 0750);
    EXPECT_NE(Modified(Out()), 1700000005);
}

TEST_F(ExtractUnix, NewerAndOlderCompareTheExactTimes) {
    for (const auto& [mode, fileTime, replaced] :
         std::vector<std::tuple<TUZOverwriteMode, time_t, bool>>{
             {TUZOverwriteMode::ifNewer, 1700000000, true},
             {TUZOverwriteMode::ifNewer, 1700000001, false},
             {TUZOverwriteMode::ifOlder, 1700000002, true},
             {TUZOverwriteMode::ifOlder, 1700000001, false}}) {
        SCOPED_TRACE(fileTime);
        fs::create_directories(Out());
        test::WriteFileBytes(Out() / "f.txt", {'o', 'l', 'd'});
        const struct timespec times[2] = {{fileTime, 0}, {fileTime, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, (Out() / "f.txt").c_str(), times, 0), 0);
        TUnZipper zipper;
        // The DOS date-time alone would say 2024, newer than both.
        Open(zipper, {{"f.txt", "new", 0100644, 1700000001}});
        zipper.SetOverwriteMode(mode);
        EXPECT_EQ(zipper.UnZip(), replaced ? 1 : 0);
        EXPECT_EQ(test::ReadFileBytes(Out() / "f.txt")[0], replaced ? 'n' : 'o');
        fs::remove_all(Out());
    }
}

TEST_F(ExtractUnix, TheDateOrderAndTheDateShownAreTheExactTimes) {
    TUnZipper zipper;
    // By their DOS date-times the order would be the other way round.
    Open(zipper, {{"older.txt", "o", 0100644, 1600000000, kUnixHost, 0, 0x58AF6457},
                  {"newer.txt", "n", 0100644, 1700000000, kUnixHost, 0, 0x50AF6457}});
    zipper.ReadZip();
    zipper.Sort(ByDate);
    EXPECT_EQ(zipper.EntryFileName(0), "newer.txt");
    EXPECT_EQ(zipper.EntryDateTime(0), 1700000000);
    EXPECT_EQ(zipper.EntryDateTime(1), 1600000000);
}

}  // namespace
}  // namespace mobrel
