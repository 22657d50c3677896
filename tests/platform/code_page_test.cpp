#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace mobrel {
namespace {

std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
    }
    return bytes;
}

std::string Hex(std::string_view bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        hex += kDigits[static_cast<uint8_t>(c) >> 4];
        hex += kDigits[static_cast<uint8_t>(c) & 0xF];
    }
    return hex;
}

TEST(CodePage, EveryCp437ByteDecodesAsPythonsCodecDoes) {
    ASSERT_TRUE(test::HaveTool("python3"));
    const test::CommandResult oracle = test::RunCommand(
        "python3 -c \"import sys; sys.stdout.write(bytes(range(256)).decode('cp437')"
        ".encode('utf-8').hex())\"");
    ASSERT_EQ(oracle.ExitCode, 0) << oracle.Output;
    EXPECT_EQ(Hex(OemToAnsi(AllBytes())), oracle.Output);
}

TEST(CodePage, EveryCp437ByteRoundTripsAndFits) {
    const std::string all = AllBytes();
    const std::string utf8 = OemToAnsi(all);
    EXPECT_TRUE(FitsOem(utf8));
    EXPECT_EQ(AnsiToOem(utf8), all);
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(AnsiToOem(OemToAnsi(one)), one) << b;
    }
}

TEST(CodePage, PlainAsciiNamesAreStoredAsTheyAreWithoutTheFlag) {
    const TStoredName plain = EncodeEntryName("site\\index.html");
    EXPECT_EQ(plain.Bytes, "site\\index.html");
    EXPECT_FALSE(plain.Utf8);
}

TEST(CodePage, EveryOtherNameIsStoredAsFlaggedUtf8EvenWhenCp437HoldsIt) {
    // Peers on Linux read unflagged names as Latin-1 or raw bytes, never as CP437.
    const TStoredName accented = EncodeEntryName("caf\u00e9.txt");
    EXPECT_EQ(accented.Bytes, "caf\u00e9.txt");
    EXPECT_TRUE(accented.Utf8);

    const std::string japanese = "\u65e5\u672c.txt";
    EXPECT_FALSE(FitsOem(japanese));
    EXPECT_EQ(AnsiToOem(japanese), "??.txt");
    const TStoredName stored = EncodeEntryName(japanese);
    EXPECT_EQ(stored.Bytes, japanese);
    EXPECT_TRUE(stored.Utf8);
    EXPECT_EQ(DecodeEntryName(stored.Bytes, stored.Utf8), japanese);
    // A mix of characters inside and outside CP437.
    const TStoredName mixed = EncodeEntryName("caf\u00e9 \u20ac.txt");
    EXPECT_EQ(mixed.Bytes, "caf\u00e9 \u20ac.txt");
    EXPECT_TRUE(mixed.Utf8);
    // Outside the basic plane.
    EXPECT_TRUE(EncodeEntryName("\U0001F600").Utf8);
}

TEST(CodePage, MalformedUtf8IsReplacedNeverOverrunAndNeverFlagged) {
    // Truncated sequences at the very end, stray continuation bytes, overlong forms and
    // encoded surrogates.
    for (const std::string& bad :
         {std::string("a\xC3"), std::string("a\xE2\x82"), std::string("\x80x"),
          std::string("\xC0\xAF"), std::string("\xED\xA0\x80"), std::string("\xF4\x90\x80\x80"),
          std::string("\xFF")}) {
        EXPECT_FALSE(IsValidUtf8(bad)) << Hex(bad);
        EXPECT_FALSE(FitsOem(bad)) << Hex(bad);
        const std::string oem = AnsiToOem(bad);
        EXPECT_NE(oem.find('?'), std::string::npos) << Hex(bad);
        EXPECT_LE(oem.size(), bad.size());
        const TStoredName stored = EncodeEntryName(bad);
        EXPECT_EQ(stored.Bytes, bad);
        EXPECT_FALSE(stored.Utf8) << Hex(bad);
    }
    EXPECT_EQ(AnsiToOem("a\xC3"), "a?");
    EXPECT_EQ(AnsiToOem("\xE2\x82z"), "??z");
}

}  // namespace
}  // namespace mobrel
