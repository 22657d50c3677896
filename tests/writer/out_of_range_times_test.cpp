// Modification times outside the DOS range (1980 to 2107) carried in the extended timestamp
// and NTFS fields: listed, extracted and rewritten. Wherever a narrower form has to hold
// one (the DOS date-time, the listing's four-digit year, a file system's time), it gets
// that form's nearest end; a form that can hold it gets it exactly. Never a wrap.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>

#include "cli/cli_run.h"
#include "format/zip_builder.h"
#include "platform/dos_date_time.h"
#include "reader/python_zip_listing.h"
#include "test_support.h"
#include "writer/zipper.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

// Every conversion to local time in UTC, so the DOS values are the instants' own.
class UtcScope {
  public:
    UtcScope() {
        if (const char* old = std::getenv("TZ")) {
            saved_ = old;
        }
        setenv("TZ", "UTC", 1);
        tzset();
    }
    ~UtcScope() {
        saved_ ? setenv("TZ", saved_->c_str(), 1) : unsetenv("TZ");
        tzset();
    }

  private:
    std::optional<std::string> saved_;
};

std::string Le(uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>(value >> (8 * i));
    }
    return out;
}

std::string Field(uint16_t tag, const std::string& data) {
    return Le(tag, 2) + Le(data.size(), 2) + data;
}

std::string Extended(int32_t seconds) {
    return Field(0x5455, "\x01" + Le(static_cast<uint32_t>(seconds), 4));
}

std::string Ntfs(uint64_t ticks) {
    return Field(0x000A, Le(0, 4) + Le(1, 2) + Le(24, 2) + Le(ticks, 8) + std::string(16, '\0'));
}

constexpr uint64_t kTicksAt1970 = 11644473600ull * 10000000ull;
constexpr int64_t k1901 = -2147483648LL;  // the extended timestamp's first second
constexpr int64_t k2038 = 2147483647;     // and its last
constexpr int64_t k2200 = 7258118400;     // 2200-01-01 00:00:00

struct TimedEntry {
    std::string Name;
    std::string Extra;
    int64_t Exact;       // what the reader makes of the field
    std::string Listed;  // mobrel-cli list -v's date-time
};

const std::vector<TimedEntry> kTimed = {
    {"1901.txt", Extended(INT32_MIN), k1901, "1901-12-13 20:45:52"},
    {"1969.txt", Extended(-1), -1, "1969-12-31 23:59:59"},
    {"2038.txt", Extended(INT32_MAX), k2038, "2038-01-19 03:14:07"},
    {"ntfs-1601.txt", Ntfs(0), -11644473600, "1601-01-01 00:00:00"},
    {"ntfs-2200.txt", Ntfs(kTicksAt1970 + k2200 * 10000000ull), k2200, "2200-01-01 00:00:00"},
    {"ntfs-last-tick.txt", Ntfs(~0ull), 1833029933770, "9999-12-31 23:59:59"},
};

class OutOfRangeTimes : public testing::Test {
  protected:
    OutOfRangeTimes() {
        test::ZipBuilder builder;
        for (const TimedEntry& timed : kTimed) {
            test::BuiltEntry entry(timed.Name, "data of " + timed.Name);
            entry.LocalExtra = entry.CentralExtra = timed.Extra;
            builder.Add(entry);
        }
        builder.Add({"other.txt", "deleted by the rewrite"});
        test::WriteFileBytes(Archive(), builder.Build());
    }
    fs::path Archive() const { return temp / "times.zip"; }

    UtcScope utc;
    test::TempDir temp;
};

TEST_F(OutOfRangeTimes, TheListingShowsTheExactTimeOrTheEndOfItsFourDigitYear) {
    TUnZipper zipper;
    zipper.SetZipName(Archive().string());
    zipper.ReadZip();
    const test::CliRun listed = test::RunCli({"list", "-v", Archive().string()});
    ASSERT_EQ(listed.Status, 0) << listed.Err;
    for (size_t i = 0; i < kTimed.size(); ++i) {
        SCOPED_TRACE(kTimed[i].Name);
        EXPECT_EQ(zipper.EntryDateTime(static_cast<int>(i)), kTimed[i].Exact);
        EXPECT_NE(listed.Out.find(kTimed[i].Name + "\t"), std::string::npos);
        EXPECT_NE(listed.Out.find("\t" + kTimed[i].Listed + "\t"), std::string::npos) << listed.Out;
    }
}

TEST_F(OutOfRangeTimes, ExtractionSetsTheInstantOrTheFileSystemsNearestEnd) {
    TUnZipper zipper;
    zipper.SetZipName(Archive().string());
    zipper.SetDestDir((temp / "out").string());
    zipper.SetDoAll(true);
    ASSERT_EQ(zipper.UnZip(), static_cast<int>(kTimed.size()) + 1);
    std::map<std::string, int64_t> mtimes;
    for (const TimedEntry& timed : kTimed) {
        struct stat info {};
        ASSERT_EQ(stat((temp / "out" / timed.Name).c_str(), &info), 0);
        mtimes[timed.Name] = info.st_mtime;
    }
    // Every Linux file system of today holds 1901 to 2038.
    EXPECT_EQ(mtimes["1901.txt"], k1901);
    EXPECT_EQ(mtimes["1969.txt"], -1);
    EXPECT_EQ(mtimes["2038.txt"], k2038);
    // Beyond, the kernel keeps what the file system holds and pulls the rest to its ends.
    EXPECT_LE(mtimes["ntfs-1601.txt"], k1901);
    EXPECT_GE(mtimes["ntfs-2200.txt"], k2038);
    EXPECT_LE(mtimes["ntfs-2200.txt"], k2200);
    EXPECT_GE(mtimes["ntfs-last-tick.txt"], mtimes["ntfs-2200.txt"]);
}

TEST_F(OutOfRangeTimes, ARewriteKeepsTheFieldsAndANewFileGetsAClampedDosDate) {
    const test::PythonZipListing before = test::ListWithPython(Archive());
    ASSERT_TRUE(before.Ok) << before.Error;
    const std::map<std::string, int64_t> newFiles = {
        {"new-1970.txt", 86400}, {"new-2050.txt", 2524608000}, {"new-2200.txt", k2200}};
    TZipper zipper;
    zipper.SetZipName(Archive().string());
    zipper.FilesList() = {"other.txt"};
    ASSERT_EQ(zipper.DeleteEntries(), 1);
    for (const auto& [name, when] : newFiles) {
        test::WriteFileText(temp / name, name);
        const timespec times[2] = {{when, 0}, {when, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, (temp / name).c_str(), times, 0), 0);
        zipper.FilesList().push_back((temp / name).string());
    }
    zipper.SetRootDir(temp.Path().string());
    zipper.SetRelativePaths(true);
    ASSERT_EQ(zipper.Zip(), 3);

    const test::PythonZipListing after = test::ListWithPython(Archive());
    ASSERT_TRUE(after.Ok) << after.Error;
    ASSERT_EQ(after.Entries.size(), kTimed.size() + newFiles.size());
    for (size_t i = 0; i < kTimed.size(); ++i) {
        EXPECT_EQ(after.Entries[i].Name, before.Entries[i].Name);
        EXPECT_EQ(after.Entries[i].DosDateTime, before.Entries[i].DosDateTime);
        EXPECT_EQ(after.Entries[i].ExtraLength, before.Entries[i].ExtraLength);
        EXPECT_EQ(after.Entries[i].Crc, before.Entries[i].Crc);
    }
    TUnZipper reader;
    reader.SetZipName(Archive().string());
    reader.ReadZip();
    for (size_t i = 0; i < kTimed.size(); ++i) {
        EXPECT_EQ(reader.EntryDateTime(static_cast<int>(i)), kTimed[i].Exact);
    }
    // The DOS date: 1980's first second, 2050 itself, 2107's last even second; the
    // extended timestamp only where its 32 bits hold the time.
    std::map<std::string, std::pair<uint32_t, uint32_t>> added;
    for (const test::PythonZipEntry& entry : after.Entries) {
        added[entry.Name] = {entry.DosDateTime, entry.ExtraLength};
    }
    EXPECT_EQ(added["new-1970.txt"], std::make_pair(0x00210000u, 9u));
    EXPECT_EQ(added["new-2050.txt"], std::make_pair(DateTimeToDosDateTime(2524608000), 0u));
    EXPECT_EQ(added["new-2200.txt"], std::make_pair(0xFF9FBF7Du, 0u));
    // Read back, the 1970 file has its exact time from the extended timestamp.
    EXPECT_EQ(reader.EntryDateTime(static_cast<int>(kTimed.size())), 86400);
}

}  // namespace
}  // namespace mobrel
