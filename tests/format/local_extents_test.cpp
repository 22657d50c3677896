// Overlap of entries' local bytes: neighbours that touch are fine, any shared byte is not,
// in either order of arrival, and each disk of a set counts on its own.
#include <gtest/gtest.h>

#include "format/local_extents.h"
#include "format/zip_header_info.h"

namespace mobrel {
namespace {

// An entry of 30 + 2 + compressed bytes at offset on disk.
TZipHeaderInfo EntryAt(uint32_t offset, uint32_t compressed, uint16_t disk = 0) {
    TZipHeaderInfo entry;
    entry.LocalHeaderOffset = offset;
    entry.CompressedSize = compressed;
    entry.FileNameLength = 2;
    entry.DiskNumberStart = disk;
    return entry;
}

TEST(LocalExtents, TouchingEntriesFitAndSharedBytesDoNot) {
    TLocalExtents extents;
    EXPECT_TRUE(extents.Claim(EntryAt(100, 68)));   // 100..199
    EXPECT_TRUE(extents.Claim(EntryAt(200, 0)));    // right after it
    EXPECT_TRUE(extents.Claim(EntryAt(0, 68)));     // right before it, arriving later
    EXPECT_FALSE(extents.Claim(EntryAt(100, 68)));  // the same position
    EXPECT_FALSE(extents.Claim(EntryAt(199, 0)));   // starts inside the first
    EXPECT_FALSE(extents.Claim(EntryAt(60, 10)));   // ends inside the first
    EXPECT_FALSE(extents.Claim(EntryAt(0, 1000)));  // quotes everything after it
    EXPECT_TRUE(extents.Claim(EntryAt(232, 0)));    // a refused claim recorded nothing
}

TEST(LocalExtents, EachDiskOfASetHasItsOwnOffsets) {
    TLocalExtents extents;
    EXPECT_TRUE(extents.Claim(EntryAt(0, 0xFFFFFFF0u, 0)));  // runs on past its disk's end
    EXPECT_TRUE(extents.Claim(EntryAt(0, 10, 1)));
    EXPECT_TRUE(extents.Claim(EntryAt(42, 10, 1)));
    EXPECT_FALSE(extents.Claim(EntryAt(50, 10, 1)));
}

}  // namespace
}  // namespace mobrel
