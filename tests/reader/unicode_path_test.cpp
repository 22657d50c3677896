// The Unicode Path field names an entry only while it describes the name stored beside it.
#include "reader/unicode_path.h"

#include <gtest/gtest.h>

#include <string>

#include "codecs/crc32.h"
#include "format/extra_field.h"
#include "platform/byte_order.h"

namespace mobrel {
namespace {

std::string UnicodePathField(const std::string& stored, const std::string& name,
                             uint8_t version = 1) {
    std::string data(5, '\0');
    data[0] = static_cast<char>(version);
    StoreU32(reinterpret_cast<uint8_t*>(data.data() + 1), Crc32Of(stored.data(), stored.size()));
    return MakeExtraField(kExtraUnicodePath, data + name);
}

TZipHeaderInfo ReadAs(const std::string& stored, bool utf8Flag = false) {
    TZipHeaderInfo entry;
    entry.SetNameAsRead(stored, {stored, utf8Flag});
    return entry;
}

TEST(UnicodePath, AMatchingFieldNamesTheEntryWhileItsStoredBytesStay) {
    const std::string stored = "dir/caf\x82.txt";
    TZipHeaderInfo entry = ReadAs(stored);
    ApplyUnicodePath(entry, UnicodePathField(stored, "dir/café.txt"));
    EXPECT_EQ(entry.Directory(), "dir\\");
    EXPECT_EQ(entry.FileName(), "café.txt");
    EXPECT_EQ(entry.NameAsRead().Bytes, stored);
    EXPECT_EQ(entry.FileNameLength, stored.size());
}

TEST(UnicodePath, AStaleBrokenOrNeedlessFieldIsIgnored) {
    const std::string stored = "caf\x82.txt";
    for (const std::string& area :
         {UnicodePathField("renamed.txt", "café.txt"),           // CRC of another name
          UnicodePathField(stored, "café.txt", 2),               // unknown version
          UnicodePathField(stored, "caf\xE9.txt"),               // not UTF-8
          UnicodePathField(stored, std::string("a\0b", 3)),      // NUL inside
          UnicodePathField(stored, ""),                          // no name at all
          UnicodePathField(stored, "café.txt").substr(0, 9)}) {  // cut short
        TZipHeaderInfo entry = ReadAs(stored);
        ApplyUnicodePath(entry, area);
        EXPECT_EQ(entry.FileName(), stored);
    }
    // A name flagged UTF-8 already is the name.
    TZipHeaderInfo flagged = ReadAs("a.txt", true);
    ApplyUnicodePath(flagged, UnicodePathField("a.txt", "b.txt"));
    EXPECT_EQ(flagged.FileName(), "a.txt");
}

}  // namespace
}  // namespace mobrel
