// A file without an end record in mode izAssumeMulti: ReadZip asks OnInCompleteZip again
// only while asking can change something, so a handler that always answers izAssumeMulti
// can't keep it going for ever, and a file replaced meanwhile is read.
#include <gtest/gtest.h>

#include "format/zip_builder.h"
#include "reader/un_zipper.h"
#include "test_support.h"

namespace mobrel {
namespace {

TEST(IncompleteZipRetry, AHandlerThatAlwaysAssumesMultiEndsWithNoDirectory) {
    test::TempDir temp;
    test::WriteFileText(temp / "part.zip", "the first part of a set, without its end record");
    TUnZipper zipper;
    zipper.SetZipName((temp / "part.zip").string());
    int asked = 0;
    zipper.OnInCompleteZip = [&](TUnZipper&, TIncompleteZipMode& mode) {
        ++asked;
        EXPECT_EQ(mode, izAssumeMulti);
    };
    zipper.ReadZip();
    EXPECT_EQ(zipper.Count(), 0);
    EXPECT_EQ(asked, 3);
}

TEST(IncompleteZipRetry, AFileReplacedWhileTheHandlerAskedIsReadNext) {
    test::TempDir temp;
    const auto path = temp / "disk.zip";
    test::WriteFileText(path, "not yet the last disk");
    test::ZipBuilder builder;
    builder.Add({"inside.txt", "found"});
    TUnZipper zipper;
    zipper.SetZipName(path.string());
    int asked = 0;
    zipper.OnInCompleteZip = [&](TUnZipper&, TIncompleteZipMode&) {
        if (++asked == 2) {
            test::WriteFileBytes(path, builder.Build());  // the user brings the right file
        }
    };
    zipper.ReadZip();
    EXPECT_EQ(asked, 2);
    ASSERT_EQ(zipper.Count(), 1);
    EXPECT_EQ(zipper.EntryFileName(0), "inside.txt");
}

}  // namespace
}  // namespace mobrel
