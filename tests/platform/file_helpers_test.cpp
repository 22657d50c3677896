#include "platform/file_helpers.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <set>
#include <string>

#include "platform/engine_errors.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

TDateTime LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return static_cast<TDateTime>(std::mktime(&parts));
}

TEST(FileDateTimeOrNow, AMissingFileCountsAsTheLastDosDate) {
    test::TempDir tmp;
    EXPECT_EQ(FileDateTimeOrNow((tmp / "missing.txt").string()),
              LocalTime(2099, 12, 31, 23, 59, 58));
}

TEST(FileDateTimeOrNow, AFileGivesItsTimeAtDosPrecision) {
    test::TempDir tmp;
    const fs::path file = tmp / "dated.txt";
    test::WriteFileText(file, "x");
    const TDateTime when = LocalTime(2021, 6, 15, 10, 20, 31);
    const timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    EXPECT_EQ(FileDateTimeOrNow(file.string()), when - 1);  // DOS keeps even seconds
}

TEST(FileHelpers, ExistenceTestsTellFilesFromFolders) {
    test::TempDir tmp;
    const std::string nested = (tmp / "a" / "b" / "c").string();
    EXPECT_TRUE(ForceDirectories(nested + "/"));
    EXPECT_TRUE(DirectoryExists(nested));
    EXPECT_FALSE(FileExists(nested));
    EXPECT_TRUE(ForceDirectories(nested));  // already there

    const std::string file = (tmp / "a" / "file.txt").string();
    test::WriteFileText(file, "x");
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_FALSE(ForceDirectories(file + "/below"));  // a file stands in the way
    EXPECT_FALSE(ForceDirectories(""));
    EXPECT_FALSE(FileExists((tmp / "none").string()));
}

TEST(TempFileName, CreatesDistinctEmptyFilesWithThePrefix) {
    test::TempDir tmp;
    std::set<std::string> names;
    for (int i = 0; i < 5; ++i) {
        const std::string name = TempFileName(tmp.Path().string());
        EXPECT_EQ(fs::path(name).parent_path(), tmp.Path());
        EXPECT_EQ(fs::path(name).filename().string().rfind("MBZ", 0), 0u) << name;
        EXPECT_TRUE(fs::is_regular_file(name));
        EXPECT_EQ(fs::file_size(name), 0u);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 5u);
    EXPECT_THROW(TempFileName((tmp / "missing").string()), EFileError);
}

}  // namespace
}  // namespace mobrel
