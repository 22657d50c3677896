#include "platform/disk_space.h"

#include <sys/statvfs.h>

#include <gtest/gtest.h>

#include "test_support.h"

namespace mobrel {
namespace {

TEST(DiskSpace, FreeSpaceOfAnExistingFolderAndUnknownForAMissingOne) {
    test::TempDir dir;
    struct statvfs info {};
    ASSERT_EQ(statvfs(dir.Path().c_str(), &info), 0);
    // Counted in fragment-size units, not blocks, and without the root's reserve.
    const int64_t free = FreeSpace(dir.Path().string());
    EXPECT_GT(free, 0);
    EXPECT_LE(free, static_cast<int64_t>(info.f_bfree) * static_cast<int64_t>(info.f_frsize));
    EXPECT_EQ(FreeSpace((dir / "missing" / "x").string()), -1);
}

}  // namespace
}  // namespace mobrel
