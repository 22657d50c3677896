#include "platform/joined_file_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/engine_errors.h"
#include "test_support.h"

namespace mobrel {
namespace {

// Pieces of uneven sizes, one of them empty, whose bytes count up so that every byte
// tells where it came from.
class JoinedFileStreamTest : public testing::Test {
  protected:
    JoinedFileStreamTest() {
        const std::vector<size_t> sizes = {5, 0, 3, 9, 1};
        for (size_t i = 0; i < sizes.size(); ++i) {
            std::string bytes;
            for (size_t k = 0; k < sizes[i]; ++k) {
                bytes += static_cast<char>('a' + whole.size() % 26);
                whole += bytes.back();
            }
            names.push_back((temp / ("piece." + std::to_string(i))).string());
            test::WriteFileText(names.back(), bytes);
        }
    }
    std::string ReadAll(TStream& stream, int64_t chunk) {
        std::string text;
        std::vector<char> buffer(static_cast<size_t>(chunk));
        for (int64_t got; (got = stream.Read(buffer.data(), chunk)) > 0;) {
            text.append(buffer.data(), static_cast<size_t>(got));
        }
        return text;
    }

    test::TempDir temp;
    std::vector<std::string> names;
    std::string whole;
};

TEST_F(JoinedFileStreamTest, ReadsThePiecesAsOneFileInAnyChunkSize) {
    for (int64_t chunk : {1, 2, 4, 5, 7, 18, 100}) {
        TJoinedFileStream stream(names, 4);
        EXPECT_EQ(stream.Size(), 18);
        EXPECT_EQ(ReadAll(stream, chunk), whole) << chunk;
        EXPECT_EQ(stream.Position(), 18);
    }
}

TEST_F(JoinedFileStreamTest, SeeksFromEachOriginAcrossPieceBoundaries) {
    TJoinedFileStream stream(names, 4);
    char bytes[4] = {};
    // From the end, as the search for the end record does, and back over a boundary.
    EXPECT_EQ(stream.Seek(-11, soEnd), 7);
    EXPECT_EQ(stream.Read(bytes, 4), 4);
    EXPECT_EQ(std::string(bytes, 4), whole.substr(7, 4));
    EXPECT_EQ(stream.Seek(-8, soCurrent), 3);
    EXPECT_EQ(stream.Read(bytes, 4), 4);
    EXPECT_EQ(std::string(bytes, 4), whole.substr(3, 4));
    EXPECT_EQ(stream.Seek(17, soBeginning), 17);
    EXPECT_EQ(stream.Read(bytes, 4), 1);
    EXPECT_EQ(bytes[0], whole[17]);
    // Past the end reads nothing; before the start is refused.
    EXPECT_EQ(stream.Seek(30, soBeginning), 30);
    EXPECT_EQ(stream.Read(bytes, 4), 0);
    EXPECT_THROW(stream.Seek(-1, soBeginning), EStreamError);
    EXPECT_THROW(stream.Seek(0, static_cast<TSeekOrigin>(7)), EGeneralError);
}

TEST_F(JoinedFileStreamTest, IsReadOnlyAndNeedsEveryPieceToOpen) {
    TJoinedFileStream stream(names, 4);
    EXPECT_THROW(stream.Write("x", 1), EStreamError);
    EXPECT_THROW(stream.SetSize(0), EStreamError);
    EXPECT_EQ(test::ReadFileBytes(names[0]).size(), 5u);
    names.push_back((temp / "missing").string());
    EXPECT_THROW(TJoinedFileStream(names, 4), EFileError);
    EXPECT_THROW(TJoinedFileStream({}, 4), EGeneralError);
}

}  // namespace
}  // namespace mobrel
