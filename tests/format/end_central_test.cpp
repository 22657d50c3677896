// The end record: finding it (empty, short and odd files, several candidates, a stream
// that fails), copying it, and writing it back with the comment it really has.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/end_central.h"
#include "format/header_bytes.h"
#include "platform/engine_errors.h"
#include "platform/memory_stream.h"

namespace mobrel {
namespace {

using test::Get16;
using test::Get32;
using test::Put16;
using test::Put32;

std::vector<uint8_t> EndRecordBytes(uint16_t entries, uint32_t size, uint32_t offset,
                                    const std::string& comment, uint16_t thisDisk = 0) {
    std::vector<uint8_t> out = {'P', 'K', 5, 6};
    Put16(out, thisDisk);
    Put16(out, thisDisk);
    Put16(out, entries);
    Put16(out, entries);
    Put32(out, size);
    Put32(out, offset);
    Put16(out, static_cast<uint32_t>(comment.size()));
    out.insert(out.end(), comment.begin(), comment.end());
    return out;
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

TEST(EndCentralTest, EmptyFileIsAnEmptyArchiveAndShortFilesHaveNoEndRecord) {
    TEndCentral end;
    end.TotalEntries = 7;  // an empty stream leaves the record as it was
    TMemoryStream empty;
    EXPECT_TRUE(end.FindEndCentral(empty));
    EXPECT_EQ(end.TotalEntries, 7);

    for (size_t size : {1u, 10u, 21u}) {
        std::vector<uint8_t> bytes = EndRecordBytes(0, 0, 0, "");
        bytes.resize(size);
        TMemoryStream stream(bytes);
        EXPECT_FALSE(end.FindEndCentral(stream)) << size;
    }
}

TEST(EndCentralTest, FindsTheRecordAndWhereItsCommentBegins) {
    std::vector<uint8_t> bytes(1000, 'x');
    Append(bytes, EndRecordBytes(3, 150, 850, "the comment"));
    TMemoryStream stream(bytes);
    TEndCentral end;
    ASSERT_TRUE(end.FindEndCentral(stream));
    EXPECT_EQ(end.Signature, 0x06054B50u);
    EXPECT_EQ(end.ThisDisk, 0);
    EXPECT_EQ(end.EntriesThisDisk, 3);
    EXPECT_EQ(end.TotalEntries, 3);
    EXPECT_EQ(end.CentralSize, 150u);
    EXPECT_EQ(end.CentralOffset, 850u);
    EXPECT_EQ(end.CommentLength, 11);
    EXPECT_EQ(end.CommentOffset, 1022u);
    EXPECT_FALSE(end.Comment().has_value());  // read on demand
    EXPECT_EQ(end.RecordSize(), 33u);
}

TEST(EndCentralTest, LaterOfTwoSignaturesWins) {
    std::vector<uint8_t> bytes = EndRecordBytes(1, 10, 20, "");
    Append(bytes, EndRecordBytes(2, 30, 40, "", 5));
    TMemoryStream stream(bytes);
    TEndCentral end;
    ASSERT_TRUE(end.FindEndCentral(stream));
    EXPECT_EQ(end.TotalEntries, 2);
    EXPECT_EQ(end.ThisDisk, 5);
    EXPECT_EQ(end.CommentOffset, 44u);
}

TEST(EndCentralTest, SignatureTooCloseToTheEndOrTooFarFromItIsNoEndRecord) {
    // A signature in the last 21 bytes can't start a 22-byte record.
    std::vector<uint8_t> tail(40, 0);
    tail[30] = 'P', tail[31] = 'K', tail[32] = 5, tail[33] = 6;
    TMemoryStream tailStream(tail);
    TEndCentral end;
    EXPECT_FALSE(end.FindEndCentral(tailStream));

    // A record followed by more than a maximal comment lies outside the search.
    std::vector<uint8_t> far = EndRecordBytes(1, 0, 0, "");
    far.resize(far.size() + 65536, 0);
    TMemoryStream farStream(far);
    EXPECT_FALSE(end.FindEndCentral(farStream));
    far.resize(far.size() - 1);  // now exactly at the edge of the search
    TMemoryStream edgeStream(far);
    EXPECT_TRUE(end.FindEndCentral(edgeStream));
}

TEST(EndCentralTest, CommentLengthPastTheEndIsTakenAsStated) {
    std::vector<uint8_t> bytes = EndRecordBytes(0, 0, 0, "");
    bytes[20] = 0xFF;
    bytes[21] = 0xFF;
    TMemoryStream stream(bytes);
    TEndCentral end;
    ASSERT_TRUE(end.FindEndCentral(stream));
    EXPECT_EQ(end.CommentLength, 0xFFFF);
}

// A stream whose medium fails: the search reports "not found" instead of failing itself.
class TFailingStream : public TMemoryStream {
  public:
    using TMemoryStream::TMemoryStream;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override {
        if (origin == soBeginning) {
            throw EStreamError("Stream seek error");
        }
        return TMemoryStream::Seek(offset, origin);
    }
};

TEST(EndCentralTest, FailingStreamMeansNotFound) {
    std::vector<uint8_t> bytes(100, 0);
    Append(bytes, EndRecordBytes(0, 0, 0, ""));
    TFailingStream stream(bytes);
    TEndCentral end;
    EXPECT_FALSE(end.FindEndCentral(stream));
}

TEST(EndCentralTest, WritesItsFieldsAndOnlyTheCommentItHas) {
    TEndCentral end;
    end.ThisDisk = 2;
    end.CentralStartDisk = 1;
    end.EntriesThisDisk = 4;
    end.TotalEntries = 9;
    end.CentralSize = 0x1234;
    end.CentralOffset = 0x89ABCDEF;
    end.SetComment("archive comment");
    TMemoryStream stream;
    end.WriteEndCentral(stream);
    const std::vector<uint8_t>& bytes = stream.Bytes();
    ASSERT_EQ(bytes.size(), 22u + 15);
    EXPECT_EQ(Get32(bytes, 0), 0x06054B50u);
    EXPECT_EQ(Get16(bytes, 4), 2);
    EXPECT_EQ(Get16(bytes, 6), 1);
    EXPECT_EQ(Get16(bytes, 8), 4);
    EXPECT_EQ(Get16(bytes, 10), 9);
    EXPECT_EQ(Get32(bytes, 12), 0x1234u);
    EXPECT_EQ(Get32(bytes, 16), 0x89ABCDEFu);
    EXPECT_EQ(Get16(bytes, 20), 15);
    EXPECT_EQ(std::string(bytes.begin() + 22, bytes.end()), "archive comment");

    // Found in an archive but never loaded: a record promising bytes that aren't written
    // would end the archive in the middle of its own comment.
    TMemoryStream found(EndRecordBytes(0, 0, 0, "unloaded"));
    TEndCentral read;
    ASSERT_TRUE(read.FindEndCentral(found));
    TMemoryStream out;
    read.WriteEndCentral(out);
    EXPECT_EQ(out.Bytes().size(), 22u);
    EXPECT_EQ(Get16(out.Bytes(), 20), 0);
}

TEST(EndCentralTest, AssignCopiesFieldsAndLoadedCommentButNotModified) {
    TEndCentral source;
    source.ThisDisk = 1;
    source.TotalEntries = 5;
    source.CentralOffset = 77;
    source.CommentOffset = 500;
    source.CommentLength = 8;  // in the archive, not loaded
    source.Modified = true;

    TEndCentral copy;
    copy.SetComment("stale");
    copy.Assign(source);
    EXPECT_EQ(copy.ThisDisk, 1);
    EXPECT_EQ(copy.TotalEntries, 5);
    EXPECT_EQ(copy.CentralOffset, 77u);
    EXPECT_EQ(copy.CommentOffset, 500u);
    EXPECT_EQ(copy.CommentLength, 8);
    EXPECT_FALSE(copy.Comment().has_value());
    EXPECT_FALSE(copy.Modified);

    source.SetComment("loaded!");
    copy.Assign(source);
    EXPECT_EQ(copy.Comment(), "loaded!");
    EXPECT_EQ(copy.CommentLength, 7);
}

TEST(EndCentralTest, ClearForgetsEverythingAndLongCommentsAreRefused) {
    TEndCentral end;
    end.TotalEntries = 3;
    end.SetComment("c");
    end.Modified = true;
    end.CommentOffset = 9;
    end.Clear();
    EXPECT_EQ(end.Signature, 0x06054B50u);
    EXPECT_EQ(end.TotalEntries, 0);
    EXPECT_EQ(end.CommentLength, 0);
    EXPECT_FALSE(end.Comment().has_value());
    EXPECT_EQ(end.CommentOffset, 0u);
    EXPECT_FALSE(end.Modified);
    EXPECT_THROW(end.SetComment(std::string(65536, 'c')), EFormatLimit);
    EXPECT_FALSE(end.HasComment());
}

}  // namespace
}  // namespace mobrel
