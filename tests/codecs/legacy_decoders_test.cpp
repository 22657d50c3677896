#include <gtest/gtest.h>

#include <vector>

#include "codecs/decode_by_method.h"
#include "codecs/memory_decode_context.h"
#include "codecs/unreduce.h"
#include "format/raw_zip_entries.h"
#include "test_support.h"

namespace mobrel {
namespace {

using Bytes = std::vector<uint8_t>;

// Decodes one entry as extraction does: the declared sizes bound input and output.
bool DecodeEntry(TMemoryDecodeContext& context, const test::RawZipEntry& entry) {
    context.Start(entry.CompressedSize, entry.UncompressedSize);
    return DecodeByMethod(context, entry.Method, entry.Flags, entry.CompressedSize);
}

// Every shrunk, reduced and imploded archive of other tools decodes to its stored CRC.
TEST(LegacyDecoders, ArchivesOfOtherToolsDecodeToTheirCrc) {
    int decoded[7] = {};
    for (const auto& row : test::ReadManifest()) {
        const std::string& file = row.File;
        if (file.size() < 3 || file[0] != 'm' || file[1] != '0' || file[2] < '1' || file[2] > '6' ||
            file.find("label-on-stored") != std::string::npos) {
            continue;
        }
        SCOPED_TRACE(file);
        const test::RawZipArchive archive = test::ReadRawZip(test::TestDataDir() / file);
        for (const auto& entry : archive.Entries) {
            SCOPED_TRACE(entry.Name);
            TMemoryDecodeContext one(archive.Data(entry));
            ASSERT_TRUE(DecodeEntry(one, entry)) << "method " << entry.Method;
            EXPECT_EQ(one.Output().size(), entry.UncompressedSize);
            EXPECT_EQ(one.FinishedCrc(), entry.Crc);
            if (entry.Method <= 6) {
                ++decoded[entry.Method];
            }
        }
    }
    EXPECT_GE(decoded[1], 10);  // shrink
    for (int method = 2; method <= 5; ++method) {
        EXPECT_GE(decoded[method], 4) << method;  // reduce, each factor
    }
    EXPECT_GE(decoded[6], 20);  // implode
}

// A method-1 label on bytes that are no shrunk data must not pass the CRC check.
TEST(LegacyDecoders, StoredBytesLabelledAsShrunkFailTheCrcCheck) {
    const test::RawZipArchive archive =
        test::ReadRawZip(test::TestDataDir() / "m01-label-on-stored-data--yauzl.zip");
    for (const auto& entry : archive.Entries) {
        if (entry.Method != 1) {
            continue;
        }
        TMemoryDecodeContext context(archive.Data(entry));
        try {
            DecodeEntry(context, entry);
        } catch (const std::exception&) {
            continue;  // more output than declared is a failure too
        }
        EXPECT_NE(context.FinishedCrc(), entry.Crc);
    }
}

// Reduced data without follower sets (256 six-bit zeros), then plain bytes: a match at
// the very start of the data copies zero bytes, and 144 followed by 0 is the byte 144.
TEST(LegacyDecoders, UnreduceEscapeAndMatchBeforeTheStart) {
    Bytes stream(192, 0);
    for (uint8_t b : {0x90, 0x80, 0x04, 0x41, 0x90, 0x00}) {
        stream.push_back(b);
    }
    TMemoryDecodeContext context(stream);
    context.Start(static_cast<int64_t>(stream.size()), 5);
    Unreduce(context, 1);
    EXPECT_EQ(context.Output(), (Bytes{0, 0, 0, 'A', 0x90}));

    // The same data cut short: decoding ends without inventing the missing bytes.
    TMemoryDecodeContext shortContext(stream);
    shortContext.Start(static_cast<int64_t>(stream.size()) - 2, 5);
    Unreduce(shortContext, 1);
    EXPECT_TRUE(shortContext.Output().empty());
}

}  // namespace
}  // namespace mobrel
