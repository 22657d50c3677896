#include "platform/lfn_file_stream.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/dos_date_time.h"
#include "platform/engine_errors.h"
#include "test_support.h"

namespace mobrel {
namespace {

TEST(LFNFileStream, WritesThroughItsBufferAndClosesTheFile) {
    test::TempDir dir;
    const std::string name = (dir / "out.bin").string();
    int handle = -1;
    {
        TLFNFileStream out(name, TFileMode::Create, true);
        EXPECT_EQ(out.BufferSize(), 8192);
        EXPECT_TRUE(out.FlushOnDestroy);
        handle = out.Handle();
        out.WriteBuffer("hello", 5);
        EXPECT_EQ(out.File().Size(), 0);  // still in the buffer
        EXPECT_TRUE(HandleDosDateTime(handle));
    }
    EXPECT_EQ(test::ReadFileBytes(name), (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}));
    EXPECT_FALSE(HandleDosDateTime(handle)) << "the file is closed with the stream";
}

TEST(LFNFileStream, ReadOnlyStreamsNeverCommitAndMissingFilesRaise) {
    test::TempDir dir;
    const std::string name = (dir / "in.bin").string();
    test::WriteFileText(name, "abc");
    TLFNFileStream in(name, TFileMode::OpenRead, true, 2);
    EXPECT_FALSE(in.FlushOnDestroy);
    char text[4] = {};
    EXPECT_EQ(in.Read(text, 4), 3);
    EXPECT_STREQ(text, "abc");
    EXPECT_THROW(TLFNFileStream((dir / "missing").string(), TFileMode::OpenRead), EFileError);
}

}  // namespace
}  // namespace mobrel
