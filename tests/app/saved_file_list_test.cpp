#include "saved_file_list.h"

#include <gtest/gtest.h>

#include "platform/engine_errors.h"
#include "test_support.h"

namespace {

using Lines = std::vector<std::string>;

TEST(SavedFileListLines, EveryKindOfLineEndEndsOneLine) {
    EXPECT_EQ(SplitListLines("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitListLines("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitListLines("a\rb\r"), (Lines{"a", "b"}));
    // LF CR is two line ends with an empty line between them.
    EXPECT_EQ(SplitListLines("a\n\rb"), (Lines{"a", "", "b"}));
}

TEST(SavedFileListLines, LastLineWithoutEndAndEmptyLinesCount) {
    EXPECT_EQ(SplitListLines("/site/a.htm\r\n/site/b.htm"), (Lines{"/site/a.htm", "/site/b.htm"}));
    EXPECT_EQ(SplitListLines("a\r\n\r\nb\n\n"), (Lines{"a", "", "b", ""}));
    EXPECT_EQ(SplitListLines("\r\n"), (Lines{""}));
    EXPECT_TRUE(SplitListLines("").empty());
}

TEST(SavedFileListLines, NulEndsTheText) {
    using namespace std::string_literals;
    EXPECT_EQ(SplitListLines("a\r\nb\0c\r\nd"s), (Lines{"a", "b"}));
    EXPECT_TRUE(SplitListLines("\0a\r\n"s).empty());
}

TEST(SavedFileListLines, EveryLineIsWrittenWithCrLf) {
    EXPECT_EQ(JoinListLines({"/a/x.txt", "", "/b/*.htm"}), "/a/x.txt\r\n\r\n/b/*.htm\r\n");
    EXPECT_EQ(JoinListLines({}), "");
}

TEST(SavedFileListFile, SavedListLoadsBackUnchangedAndBytesAreExact) {
    mobrel::test::TempDir dir;
    const std::string file = (dir / "list.zkj").string();
    // Names are single-byte text kept as they are, whatever their character set.
    const Lines lines{"/home/u/site/index.html", "", "/home/u/caf\xc3\xa9.txt", "/x/\xe9.txt"};
    SaveFileList(file, lines);
    const std::string expected = JoinListLines(lines);
    EXPECT_EQ(mobrel::test::ReadFileBytes(file),
              std::vector<uint8_t>(expected.begin(), expected.end()));
    EXPECT_EQ(LoadFileList(file), lines);
}

TEST(SavedFileListFile, SavingReplacesALongerFile) {
    mobrel::test::TempDir dir;
    const std::string file = (dir / "list.zkj").string();
    mobrel::test::WriteFileText(file, std::string(1000, 'x'));
    SaveFileList(file, {"a"});
    EXPECT_EQ(LoadFileList(file), Lines{"a"});
}

TEST(SavedFileListFile, UnreadableOrUnwritableFilesRaiseTheFileError) {
    mobrel::test::TempDir dir;
    const std::string missing = (dir / "missing.zkj").string();
    try {
        LoadFileList(missing);
        FAIL() << "a missing list loaded";
    } catch (const mobrel::EFileError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Cannot open file \"" + missing + "\"", 0), 0u)
            << error.what();
    }
    EXPECT_THROW(SaveFileList((dir / "no-folder" / "list.zkj").string(), {"a"}),
                 mobrel::EFileError);
    EXPECT_THROW(LoadFileList(dir.Path().string()), mobrel::EFileError);
}

}  // namespace
