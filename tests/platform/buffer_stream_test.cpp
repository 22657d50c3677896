#include "platform/buffer_stream.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "platform/engine_errors.h"
#include "platform/memory_stream.h"

namespace mobrel {
namespace {

// A memory stream that counts the calls and bytes it serves, and can be told to take only
// so many more bytes (a full disk).
class TCountingStream : public TStream {
  public:
    explicit TCountingStream(std::vector<uint8_t> bytes = {}) : inner(std::move(bytes)) {}

    int64_t Read(void* data, int64_t count) override {
        ++Reads;
        const int64_t n = inner.Read(data, count);
        BytesRead += n;
        return n;
    }
    int64_t Write(const void* data, int64_t count) override {
        ++Writes;
        const int64_t n = inner.Write(data, std::min(count, RoomLeft));
        RoomLeft -= n;
        BytesWritten += n;
        return n;
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override { return inner.Seek(offset, origin); }
    void SetSize(int64_t size) override { inner.SetSize(size); }
    int64_t Size() override { return inner.Size(); }

    std::string Text() const { return {inner.Bytes().begin(), inner.Bytes().end()}; }

    TMemoryStream inner;
    int Reads = 0;
    int Writes = 0;
    int64_t BytesRead = 0;
    int64_t BytesWritten = 0;
    int64_t RoomLeft = INT64_MAX;
};

std::vector<uint8_t> Sequence(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i % 251);
    }
    return bytes;
}

std::vector<uint8_t> Text(const std::string& text) {
    return {text.begin(), text.end()};
}

uint8_t ReadByte(TStream& stream) {
    uint8_t b = 0;
    EXPECT_EQ(stream.Read(&b, 1), 1);
    return b;
}

TEST(BufferStream, OneFillServesEverySmallReadOfTheBuffer) {
    TCountingStream source(Sequence(20000));
    TS_BufferStream stream(source, 8192);
    int fills = 0;
    stream.OnFillBuffer = [&](TS_BufferStream&) { ++fills; };

    EXPECT_EQ(ReadByte(stream), 0);
    EXPECT_EQ(source.Reads, 1);
    EXPECT_EQ(source.BytesRead, 8192);
    for (int i = 1; i < 8192; ++i) {
        ASSERT_EQ(ReadByte(stream), i % 251);
    }
    EXPECT_EQ(source.Reads, 1);
    EXPECT_EQ(stream.Position(), 8192);
    // The 8193rd byte costs the second fill.
    EXPECT_EQ(ReadByte(stream), 8192 % 251);
    EXPECT_EQ(source.Reads, 2);
    EXPECT_EQ(fills, 2);
}

TEST(BufferStream, ALargeReadCrossesBuffersAndStopsAtTheEnd) {
    const std::vector<uint8_t> data = Sequence(20000);
    TCountingStream source(data);
    TS_BufferStream stream(source, 8192);
    ReadByte(stream);
    std::vector<uint8_t> rest(30000);
    EXPECT_EQ(stream.Read(rest.data(), 30000), 19999);
    EXPECT_TRUE(std::equal(data.begin() + 1, data.end(), rest.begin()));
    EXPECT_EQ(stream.Read(rest.data(), 10), 0);
    EXPECT_EQ(stream.Position(), 20000);
}

TEST(BufferStream, AReadLargerThanTheBufferBypassesItButCanStillPutBack) {
    const std::vector<uint8_t> data = Sequence(40000);
    TCountingStream source(data);
    TS_BufferStream stream(source, 8192);
    std::vector<uint8_t> got(32768);
    EXPECT_EQ(stream.Read(got.data(), 32768), 32768);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));
    EXPECT_EQ(source.Reads, 2);  // three buffers' worth at once, then one fill
    EXPECT_EQ(stream.Position(), 32768);
    stream.PutBack(got.back());
    EXPECT_EQ(ReadByte(stream), got.back());
    EXPECT_EQ(ReadByte(stream), data[32768]);
}

TEST(BufferStream, ASeekToTheCurrentPositionKeepsTheReadAheadBytes) {
    TCountingStream source(Sequence(20000));
    TS_BufferStream stream(source, 8192);
    ReadByte(stream);
    ReadByte(stream);
    EXPECT_EQ(stream.Seek(2, soBeginning), 2);
    EXPECT_EQ(stream.Seek(0, soCurrent), 2);
    EXPECT_EQ(stream.Position(), 2);
    EXPECT_EQ(stream.Mode(), TBufferMode::bmReading);
    EXPECT_EQ(ReadByte(stream), 2);
    EXPECT_EQ(source.Reads, 1);
    // A seek elsewhere drops them and the next read refills from the new position.
    EXPECT_EQ(stream.Seek(10000, soBeginning), 10000);
    EXPECT_EQ(ReadByte(stream), 10000 % 251);
    EXPECT_EQ(source.Reads, 2);
}

// A reader hopping from header to header: seeks back and ahead among the bytes already
// read ahead cost no read of the source; a seek past them, or after a read that bypassed
// the buffer, reads the source again and never serves stale bytes.
TEST(BufferStream, SeeksWithinTheReadAheadBytesAreServedFromTheBuffer) {
    const std::vector<uint8_t> data = Sequence(40000);
    TCountingStream source(data);
    TS_BufferStream stream(source, 8192);
    EXPECT_EQ(ReadByte(stream), data[0]);
    for (const int64_t at : {100, 30, 8191, 5000, 0}) {
        EXPECT_EQ(stream.Seek(at, soBeginning), at);
        EXPECT_EQ(stream.Position(), at);
        EXPECT_EQ(ReadByte(stream), data[size_t(at)]) << at;
    }
    EXPECT_EQ(source.Reads, 1);
    EXPECT_EQ(stream.Seek(8192, soBeginning), 8192);  // just past the read-ahead
    EXPECT_EQ(ReadByte(stream), data[8192]);
    EXPECT_EQ(source.Reads, 2);

    // To the end: the read that bypasses the buffer comes up short and is the last one.
    std::vector<uint8_t> got(50000);
    EXPECT_EQ(stream.Read(got.data(), 50000), 40000 - 8193);
    EXPECT_EQ(stream.Seek(35000, soBeginning), 35000);
    EXPECT_EQ(ReadByte(stream), data[35000]);
    EXPECT_EQ(stream.Seek(8200, soBeginning), 8200);
    EXPECT_EQ(ReadByte(stream), data[8200]);
    // Not a byte read since the seek: nothing to put back.
    EXPECT_EQ(stream.Seek(8300, soBeginning), 8300);
    EXPECT_THROW(stream.PutBack(0), EStreamError);
}

TEST(BufferStream, SeekFromTheEndCountsBackWhateverTheSign) {
    TCountingStream source(Sequence(100));
    TS_BufferStream stream(source, 8192);
    EXPECT_EQ(stream.Seek(5, soEnd), 95);
    EXPECT_EQ(stream.Seek(-22, soEnd), 78);
    EXPECT_EQ(stream.Seek(22, soEnd), 78);
    EXPECT_EQ(ReadByte(stream), 78);
    EXPECT_EQ(stream.Seek(-1, soCurrent), 78);
    EXPECT_EQ(stream.Seek(0, soEnd), 100);
}

TEST(BufferStream, SeekFromTheEndCountsBytesNotYetWritten) {
    TCountingStream source;
    TS_BufferStream stream(source, 8192);
    stream.WriteBuffer("0123456789", 10);
    EXPECT_EQ(source.Writes, 0);
    EXPECT_EQ(stream.Size(), 10);
    EXPECT_EQ(stream.Seek(4, soEnd), 6);
    EXPECT_EQ(source.Text(), "0123456789");
    EXPECT_EQ(ReadText(stream, 10), "6789");
}

TEST(BufferStream, AnUnknownOriginIsRefusedWithItsNumber) {
    TCountingStream source(Sequence(100));
    TS_BufferStream stream(source, 8192);
    try {
        stream.Seek(0, static_cast<TSeekOrigin>(3));
        FAIL() << "no exception";
    } catch (const EGeneralError& e) {
        EXPECT_STREQ(e.what(), "Invalid seek origin (3)");
    }
}

TEST(BufferStream, PutBackDeliversTheByteAgainButOnlyAfterARead) {
    TCountingStream source(Text("PK\x03\x04"));
    TS_BufferStream stream(source, 8192);
    EXPECT_EQ(ReadByte(stream), 'P');
    EXPECT_EQ(ReadByte(stream), 'K');
    stream.PutBack('K');
    EXPECT_EQ(stream.Position(), 1);
    EXPECT_EQ(ReadText(stream, 3), "K\x03\x04");

    stream.Seek(1, soBeginning);
    try {
        stream.PutBack('x');
        FAIL() << "no exception";
    } catch (const EStreamError& e) {
        EXPECT_STREQ(e.what(), "Putback overflow");
    }
    TS_BufferStream fresh(source, 8192);
    EXPECT_THROW(fresh.PutBack('x'), EStreamError);
}

TEST(BufferStream, PutBackCannotReachBeforeTheBufferOrIntoWrittenBytes) {
    TCountingStream source(Text("abcdef"));
    TS_BufferStream stream(source, 4);
    ReadText(stream, 5);  // the second fill holds "ef", one byte read from it
    stream.PutBack('e');
    EXPECT_THROW(stream.PutBack('d'), EStreamError);
    EXPECT_EQ(ReadText(stream, 5), "ef");

    TS_BufferStream writer(source, 4);
    writer.WriteBuffer("xy", 2);
    EXPECT_THROW(writer.PutBack('y'), EStreamError);
}

TEST(BufferStream, WrittenBytesReachTheSourceOnDestruction) {
    TCountingStream source;
    {
        TS_BufferStream stream(source, 8192);
        EXPECT_EQ(stream.Write("0123456789", 10), 10);
        EXPECT_TRUE(stream.Written());
        EXPECT_EQ(source.Writes, 0);
    }
    EXPECT_EQ(source.Writes, 1);
    EXPECT_EQ(source.Text(), "0123456789");
}

TEST(BufferStream, WritesLargerThanTheBufferFlushEachFullBuffer) {
    TCountingStream source;
    const std::vector<uint8_t> data = Sequence(20000);
    {
        TS_BufferStream stream(source, 8192);
        int flushes = 0;
        stream.OnFlushBuffer = [&](TS_BufferStream&) { ++flushes; };
        EXPECT_EQ(stream.Write(data.data(), 20000), 20000);
        EXPECT_EQ(flushes, 2);
        EXPECT_EQ(stream.Position(), 20000);
    }
    EXPECT_EQ(source.Writes, 3);
    EXPECT_EQ(source.inner.Bytes(), data);
}

TEST(BufferStream, AReadAfterWritingDeliversTheBytesThatFollowTheWrittenOnes) {
    TCountingStream source(Text("abcdefghij"));
    TS_BufferStream stream(source, 8192);
    stream.WriteBuffer("XYZ", 3);
    EXPECT_EQ(ReadText(stream, 3), "def");
    EXPECT_EQ(source.Text(), "XYZdefghij");
    EXPECT_EQ(stream.Position(), 6);
}

TEST(BufferStream, AReadAfterExactlyFillingTheBufferDoesNotRepeatTheWrittenBytes) {
    TCountingStream source(Text("abcdefghij"));
    TS_BufferStream stream(source, 4);
    stream.WriteBuffer("WXYZ", 4);  // fills the buffer, which is flushed at once
    EXPECT_EQ(ReadText(stream, 3), "efg");
    EXPECT_EQ(source.Text(), "WXYZefghij");
}

TEST(BufferStream, AWriteAfterReadingGoesToTheLogicalPosition) {
    TCountingStream source(Text("abcdefghij"));
    {
        TS_BufferStream stream(source, 8192);
        EXPECT_EQ(ReadText(stream, 2), "ab");  // the whole file is read ahead
        stream.WriteBuffer("XY", 2);
        EXPECT_EQ(stream.Position(), 4);
        EXPECT_EQ(ReadText(stream, 2), "ef");
    }
    EXPECT_EQ(source.Text(), "abXYefghij");
}

TEST(BufferStream, FlushingWhileReadingWritesNothingAndKeepsThePosition) {
    TCountingStream source(Text("abcdefghij"));
    TS_BufferStream stream(source, 4);
    EXPECT_EQ(ReadText(stream, 3), "abc");
    EXPECT_TRUE(stream.FlushBuffer());
    EXPECT_EQ(source.Writes, 0);
    EXPECT_EQ(ReadText(stream, 3), "def");
    EXPECT_EQ(source.Text(), "abcdefghij");
}

TEST(BufferStream, AppendingAfterReadingToTheEndWritesTheBytes) {
    TCountingStream source(Text("abc"));
    {
        TS_BufferStream stream(source, 8192);
        EXPECT_EQ(ReadText(stream, 10), "abc");
        EXPECT_EQ(stream.Read(nullptr, 0), 0);
        EXPECT_EQ(stream.Write("def", 3), 3);
    }
    EXPECT_EQ(source.Text(), "abcdef");
}

TEST(BufferStream, AFullSourceIsNeverReportedAsACompleteWrite) {
    // The source takes 5 bytes more; an 8-byte write fills the buffer and its flush fails.
    TCountingStream source;
    source.RoomLeft = 5;
    TS_BufferStream stream(source, 8);
    EXPECT_EQ(stream.Write("01234567", 8), 5);
    EXPECT_EQ(source.Text(), "01234");
    // Later bytes wait in the buffer; the flush that offers them reports the failure.
    EXPECT_EQ(stream.Write("89", 2), 2);
    EXPECT_FALSE(stream.FlushBuffer());

    // Bytes of an earlier call still in the buffer are not counted for this one.
    TCountingStream second;
    second.RoomLeft = 2;
    TS_BufferStream other(second, 4);
    EXPECT_EQ(other.Write("abc", 3), 3);  // buffered, not yet offered to the source
    EXPECT_EQ(other.Write("de", 2), 0);   // "abcd" offered, only "ab" taken
    EXPECT_EQ(second.Text(), "ab");
}

TEST(BufferStream, ASeekThatCannotFlushRaisesSeekError) {
    TCountingStream source;
    source.RoomLeft = 2;
    TS_BufferStream stream(source, 8192);
    EXPECT_EQ(stream.Write("abc", 3), 3);
    try {
        stream.Seek(0, soBeginning);
        FAIL() << "no exception";
    } catch (const EGeneralError& e) {
        EXPECT_STREQ(e.what(), "Seek error");
    }
}

TEST(BufferStream, SetSizeWritesPendingBytesFirst) {
    TCountingStream source(Text("abcdefghij"));
    TS_BufferStream stream(source, 8192);
    stream.Seek(8, soBeginning);
    stream.WriteBuffer("XYZW", 4);
    stream.SetSize(9);
    EXPECT_EQ(source.Text(), "abcdefghX");
    EXPECT_EQ(stream.Size(), 9);
}

TEST(BufferStream, AnEmptyBufferIsRefused) {
    TCountingStream source;
    EXPECT_THROW(TS_BufferStream(source, 0), EGeneralError);
}

}  // namespace
}  // namespace mobrel
