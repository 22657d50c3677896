#include "platform/string_helpers.h"

#include <gtest/gtest.h>

namespace mobrel {
namespace {

TEST(StringHelpers, LeftAndRightStrStayWithinTheText) {
    EXPECT_EQ(LeftStr("archive.zip", 7), "archive");
    EXPECT_EQ(LeftStr("zip", 10), "zip");
    EXPECT_EQ(LeftStr("zip", 0), "");
    EXPECT_EQ(LeftStr("zip", -3), "");
    EXPECT_EQ(RightStr("archive.zip", 4), ".zip");
    EXPECT_EQ(RightStr("zip", 10), "zip");
    EXPECT_EQ(RightStr("zip", 0), "");
    EXPECT_EQ(RightStr("zip", -1), "");
    EXPECT_EQ(RightStr("", 2), "");
}

TEST(StringHelpers, SlashConversionsWorkInPlace) {
    std::string name = "docs\\img\\a.png";
    std::string& same = BackslashToSlash(name);
    EXPECT_EQ(&same, &name);
    EXPECT_EQ(name, "docs/img/a.png");
    EXPECT_EQ(SlashToBackslash(name), "docs\\img\\a.png");
}

TEST(StringHelpers, OemRoundTripGivesTheNameAsItReadsBackFromAnArchive) {
    std::string fitsCp437 = "caf\xC3\xA9 \xC3\x84rger.txt";  // "café Ärger.txt"
    OemRoundTrip(fitsCp437);
    EXPECT_EQ(fitsCp437, "caf\xC3\xA9 \xC3\x84rger.txt");

    std::string needsUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC.txt";  // Japanese, stored as UTF-8
    OemRoundTrip(needsUtf8);
    EXPECT_EQ(needsUtf8, "\xE6\x97\xA5\xE6\x9C\xAC.txt");

    // Bytes that are no UTF-8 are stored as they are and read back as CP437 (0xE9 is a
    // capital theta there).
    std::string raw = "\xE9.txt";
    OemRoundTrip(raw);
    EXPECT_EQ(raw, "\xCE\x98.txt");
}

}  // namespace
}  // namespace mobrel
