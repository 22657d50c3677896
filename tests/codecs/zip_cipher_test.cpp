#include "codecs/zip_cipher.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "codecs/copy_stored.h"
#include "codecs/inflate.h"
#include "codecs/memory_decode_context.h"
#include "format/raw_zip_entries.h"
#include "platform/engine_errors.h"
#include "platform/memory_stream.h"
#include "test_support.h"

namespace mobrel {
namespace {

TEST(ZipCipher, EmptyPasswordLeavesTheInitialKeys) {
    TZipCipher cipher;
    cipher.Key0 = cipher.Key1 = cipher.Key2 = 0;
    cipher.InitKeys("");
    EXPECT_EQ(cipher.Key0, 0x12345678u);
    EXPECT_EQ(cipher.Key1, 0x23456789u);
    EXPECT_EQ(cipher.Key2, 0x34567890u);
}

TEST(ZipCipher, EncryptedBlockDecryptsBackWithTheSamePasswordOnly) {
    std::mt19937 random(7);
    std::vector<uint8_t> plain(5000);
    for (auto& b : plain) {
        b = static_cast<uint8_t>(random());
    }
    const std::string password = std::string("p\xE4ss\0word", 9);  // bytes as they are
    TZipCipher writer;
    writer.InitKeys(password);
    std::vector<uint8_t> data = plain;
    writer.EncryptBuffer(data.data(), data.size());
    EXPECT_NE(data, plain);

    TZipCipher reader;
    reader.InitKeys(password);
    std::vector<uint8_t> decrypted = data;
    reader.DecryptBuffer(decrypted.data(), 1234);  // in two pieces: the keys carry over
    reader.DecryptBuffer(decrypted.data() + 1234, decrypted.size() - 1234);
    EXPECT_EQ(decrypted, plain);

    reader.InitKeys("password");
    decrypted = data;
    reader.DecryptBuffer(decrypted.data(), decrypted.size());
    EXPECT_NE(decrypted, plain);
}

TEST(ZipCipher, WrittenHeaderCarriesTheCrcAndRandomBytes) {
    const uint32_t crc = 0xA1B2C3D4u;
    TZipCipher writer;
    TMemoryStream archive;
    writer.WriteEncryptionHeader("secret", crc, archive);
    ASSERT_EQ(archive.Size(), 12);
    // The writer's keys continue into the data exactly as the reader's do after the
    // header, so data encrypted next decrypts with the reader's keys.
    const uint8_t payload = writer.EncryptByte('x');

    TZipCipher reader;
    archive.SetPosition(0);
    uint64_t compressedSize = 13;
    EXPECT_EQ(reader.ReadEncryptionHeader("secret", archive, compressedSize), 0xA1);
    EXPECT_EQ(compressedSize, 1u);
    uint8_t data = payload;
    reader.DecryptBuffer(&data, 1);
    EXPECT_EQ(data, 'x');

    TEncryptionHeader header;
    std::copy(archive.Bytes().begin(), archive.Bytes().end(), header.begin());
    EXPECT_EQ(reader.DecryptHeader("secret", header), 0xA1);
    EXPECT_EQ(header[10], 0xB2);

    // Ten random bytes: headers for the same password and CRC differ.
    std::set<std::vector<uint8_t>> seen;
    for (int i = 0; i < 8; ++i) {
        const TEncryptionHeader h = writer.MakeEncryptionHeader("secret", crc);
        seen.insert(std::vector<uint8_t>(h.begin(), h.end()));
    }
    EXPECT_EQ(seen.size(), 8u);
}

TEST(ZipCipher, HeaderCutShortIsPrematureEndAndSizeNeverGoesBelowZero) {
    TZipCipher reader;
    TMemoryStream shortArchive(std::vector<uint8_t>(5, 0));
    uint64_t size = 5;
    EXPECT_THROW(reader.ReadEncryptionHeader("x", shortArchive, size), EFatalUnzipError);

    TMemoryStream archive(std::vector<uint8_t>(12, 0));
    size = 7;  // a damaged entry claims less than the header itself
    reader.ReadEncryptionHeader("x", archive, size);
    EXPECT_EQ(size, 0u);
}

// Entries encrypted by other tools: the check byte of the decrypted header follows the
// CRC/time rule, and the data decrypted and decoded gives the stored CRC.
TEST(ZipCipher, DecryptsEntriesOfOtherTools) {
    int checked = 0;
    for (const auto& row : test::ReadManifest()) {
        if (row.File.rfind("enc-zipcrypto-", 0) != 0) {
            continue;
        }
        SCOPED_TRACE(row.File);
        const test::RawZipArchive archive = test::ReadRawZip(test::TestDataDir() / row.File);
        for (const auto& entry : archive.Entries) {
            if ((entry.Flags & 1) == 0) {
                continue;
            }
            SCOPED_TRACE(entry.Name);
            ASSERT_GE(entry.CompressedSize, 12u);
            const auto data = archive.Data(entry);
            TEncryptionHeader header;
            std::copy(data.begin(), data.begin() + 12, header.begin());
            TZipCipher cipher;
            const uint8_t expected = (entry.Flags & 8) != 0
                                         ? static_cast<uint8_t>(entry.DosTime >> 8)
                                         : static_cast<uint8_t>(entry.Crc >> 24);
            EXPECT_EQ(cipher.DecryptHeader(row.Password, header), expected);

            TMemoryDecodeContext context(data.subspan(12));
            context.SetCipher(&cipher);
            context.Start(entry.UncompressedSize);
            ASSERT_TRUE(entry.Method == 0 || entry.Method == 8);
            if (entry.Method == 0) {
                CopyStored(context);
            } else {
                EXPECT_EQ(Inflate(context), irOk);
            }
            EXPECT_EQ(context.Output().size(), entry.UncompressedSize);
            EXPECT_EQ(context.FinishedCrc(), entry.Crc);
            ++checked;
        }
    }
    EXPECT_GE(checked, 20);
}

}  // namespace
}  // namespace mobrel
