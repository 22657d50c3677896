#include "codecs/decode_context.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "codecs/copy_stored.h"
#include "codecs/crc32.h"
#include "codecs/memory_decode_context.h"
#include "codecs/zip_cipher.h"
#include "platform/engine_errors.h"

namespace mobrel {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Counting(size_t count) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 256);
    }
    return bytes;
}

TEST(DecodeContextInput, BytesEndAtTheCompressedSizeAndTheBitReaderReadsZerosAfter) {
    const Bytes data = {0xB5, 0x01, 0xFF, 0x77};
    TMemoryDecodeContext context(data);
    context.Start(3, 100);  // the last byte is not the entry's
    EXPECT_EQ(context.CompressedBytesLeft(), 3);
    uint8_t b = 0;
    EXPECT_EQ(context.ReadInputByte(b), 8);
    EXPECT_EQ(b, 0xB5);
    EXPECT_EQ(context.CompressedBytesLeft(), 2);
    const uint8_t* rest = nullptr;
    ASSERT_EQ(context.TakeInput(rest), 2u);
    EXPECT_EQ(rest[0], 0x01);
    EXPECT_EQ(rest[1], 0xFF);
    b = 0x42;
    EXPECT_EQ(context.ReadInputByte(b), 0);
    EXPECT_EQ(b, 0x42);  // left unchanged at the end
    EXPECT_EQ(context.TakeInput(rest), 0u);

    context.Start(3, 100);
    EXPECT_EQ(context.ReadBits(3), 0x5u);  // 0xB5 = 10110101, low bits first
    EXPECT_FALSE(context.EndOfInput());
    EXPECT_EQ(context.ReadBits(13), (0x01u << 5) | (0xB5u >> 3));
    EXPECT_EQ(context.ReadBits(8), 0xFFu);
    EXPECT_EQ(context.ReadBits(4), 0u);
    EXPECT_TRUE(context.EndOfInput());

    context.Start(1, 100);
    context.NeedBits(20);  // one real byte, then bytes that count as present
    EXPECT_EQ(context.BitCount(), 24u);
    EXPECT_EQ(context.BitBuffer(), 0xB5u);
    context.DumpBits(100);
    EXPECT_EQ(context.BitCount(), 0u);
}

TEST(DecodeContextOutput, FlushesInWholePiecesAndKeepsTheCrc) {
    const Bytes data = Counting(100000);
    TMemoryDecodeContext context({});
    context.Start(0, 100000);
    context.PutOutputByte(data[0]);
    context.DeliverOutput(data.data() + 1, 40000);      // fills one piece, 7,233 pending
    context.DeliverOutput(data.data() + 40001, 59999);  // straight through
    EXPECT_EQ(context.FlushCount(), 3);
    context.FlushOutput();
    context.FlushOutput();  // nothing pending: no flush
    EXPECT_EQ(context.FlushCount(), 4);
    EXPECT_EQ(context.Output(), data);
    EXPECT_EQ(context.BytesDelivered(), 100000);
    EXPECT_EQ(context.FinishedCrc(), Crc32Of(data.data(), data.size()));
}

TEST(DecodeContextOutput, MoreThanTheDeclaredSizeRaisesAndNothingOverflows) {
    TMemoryDecodeContext context({});
    context.Start(0, 10);
    for (int i = 0; i < 10; ++i) {
        context.PutOutputByte('a');
    }
    context.FlushOutput();
    context.PutOutputByte('b');
    EXPECT_THROW(context.FlushOutput(), EBiggerThanUncompressed);
    EXPECT_EQ(context.OutputCount(), 0u);
    EXPECT_EQ(context.Output(), Bytes(10, 'a'));
}

TEST(CopyStored, CopiesAndDecryptsInPiecesAndReportsAShortArchive) {
    const Bytes plain = Counting(70000);
    TMemoryDecodeContext context(plain);
    context.Start(70000);
    CopyStored(context);
    EXPECT_EQ(context.Output(), plain);
    EXPECT_EQ(context.FlushCount(), 3);
    EXPECT_EQ(context.FinishedCrc(), Crc32Of(plain.data(), plain.size()));

    Bytes encrypted = plain;
    TZipCipher writer;
    writer.InitKeys("pw");
    writer.EncryptBuffer(encrypted.data(), encrypted.size());
    TZipCipher reader;
    reader.InitKeys("pw");
    TMemoryDecodeContext decrypting(encrypted);
    decrypting.SetCipher(&reader);
    decrypting.Start(70000);
    CopyStored(decrypting);
    EXPECT_EQ(decrypting.Output(), plain);

    TMemoryDecodeContext truncated(plain);
    truncated.Start(80000, 80000);
    EXPECT_THROW(CopyStored(truncated), EFatalUnzipError);
}

}  // namespace
}  // namespace mobrel
