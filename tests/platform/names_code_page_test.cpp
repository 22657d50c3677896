// Names in the code pages the user may choose: known characters of each page, every byte
// of the single-byte pages against Python's codecs, bytes a page has no character for, and
// the names the command line accepts.
#include "platform/names_code_page.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/code_page.h"
#include "platform/iconv_decoder.h"
#include "test_support.h"

namespace mobrel {
namespace {

using P = TNamesCodePage;

struct DecodeCase {
    P Page;
    std::string Bytes;
    std::string Expected;
};

TEST(NamesCodePage, EachPageDecodesItsOwnCharacters) {
    const DecodeCase cases[] = {
        {P::Cp437, "\x80\xE1", "\u00C7\u00DF"},
        {P::Cp850, "\x9B\xD5", "\u00F8\u0131"},
        {P::Cp852, "\xA5\xE7", "\u0105\u0161"},
        {P::Cp866, "\x8F\xE0\xF0", "\u041F\u0440\u0401"},
        {P::Cp1250, "\x8A\xB9", "\u0160\u0105"},
        {P::Cp1251, "\xC0\xFF", "\u0410\u044F"},
        {P::Cp1252, "\x80\xE9", "\u20AC\u00E9"},
        // 0x5C as the second byte of a character, and a one-byte half-width katakana.
        {P::Cp932, "\x93\xFA\x96\x7B/\x95\x5C\xB1", "\u65E5\u672C/\u8868\uFF71"},
        {P::Cp936, "\xD6\xD0\xCE\xC4", "\u4E2D\u6587"},
        {P::Cp949, "\xC7\xD1\xB1\xDB", "\uD55C\uAE00"},
        {P::Cp950, "\xA4\xA4\xA4\xE5\xB3\x5C", "\u4E2D\u6587\u8A31"},
    };
    for (const DecodeCase& c : cases) {
        EXPECT_EQ(DecodeCodePage("a" + c.Bytes + ".txt", c.Page), "a" + c.Expected + ".txt")
            << CodePageName(c.Page);
    }
}

TEST(NamesCodePage, EveryByteOfTheSingleBytePagesDecodesAsPythonsCodecDoes) {
    ASSERT_TRUE(test::HaveTool("python3"));
    const P pages[] = {P::Cp850, P::Cp852, P::Cp866, P::Cp1250, P::Cp1251, P::Cp1252};
    std::string names;
    for (const P page : pages) {
        names += " " + std::string(CodePageName(page));
    }
    // One line per page: no byte of an upper half decodes to a line feed.
    const test::CommandResult oracle = test::RunCommand(
        "python3 -c \"import sys; sys.stdout.buffer.write(''.join(bytes(range(128, 256))"
        ".decode(page, 'replace') + '\\n' for page in sys.argv[1:]).encode('utf-8'))\"" +
        names);
    ASSERT_EQ(oracle.ExitCode, 0) << oracle.Output;
    std::string upper;
    for (int b = 128; b < 256; ++b) {
        upper += static_cast<char>(b);
    }
    std::string decoded;
    for (const P page : pages) {
        decoded += DecodeCodePage(upper, page) + "\n";
    }
    EXPECT_EQ(decoded, oracle.Output);
}

TEST(NamesCodePage, BytesWithoutACharacterBecomeTheReplacementCharacter) {
    const std::string r = "\uFFFD";
    const DecodeCase cases[] = {
        {P::Cp1252, "a\x81z", "a" + r + "z"},
        {P::Cp1251, "\x98", r},
        {P::Cp932, "x\x93", "x" + r},    // a lead byte cut by the end
        {P::Cp932, "\x93 b", r + " b"},  // a lead byte before no second byte
        {P::Cp932, "\x93/b", r + "/b"},  // the separator stays one
        {P::Cp949, "\xFF\xC7\xD1", r + "\uD55C"},
        {P::Cp936, "\xFF", r},
        {P::Cp950, "\xA4", r},
    };
    for (const DecodeCase& c : cases) {
        EXPECT_EQ(DecodeCodePage(c.Bytes, c.Page), c.Expected) << CodePageName(c.Page);
    }
}

TEST(NamesCodePage, AnyBytesGiveWellFormedUtf8AndAsciiStaysAscii) {
    std::mt19937 random(24);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 40);
    for (const P page : NamesCodePages()) {
        const std::string name(CodePageName(page));
        TIconvDecoder decoder(name.c_str());
        ASSERT_TRUE(decoder.Available() || page == P::Cp437) << name;
        std::string ascii;
        for (int b = 1; b < 0x80; ++b) {
            ascii += static_cast<char>(b);
        }
        EXPECT_EQ(decoder.Decode(ascii), ascii) << name;
        for (int round = 0; round < 3000; ++round) {
            std::string bytes(static_cast<size_t>(length(random)), '\0');
            for (char& c : bytes) {
                c = static_cast<char>(byte(random));
            }
            const std::string text = DecodeCodePage(bytes, page);
            ASSERT_TRUE(IsValidUtf8(text)) << name << " round " << round;
            ASSERT_LE(text.size(), 3 * bytes.size()) << name;
        }
    }
}

TEST(NamesCodePage, WithoutAConverterOnlyAsciiSurvives) {
    TIconvDecoder missing("NO-SUCH-CHARSET");
    EXPECT_FALSE(missing.Available());
    EXPECT_EQ(missing.Decode("a\x8F.txt"), "a\uFFFD.txt");
}

TEST(NamesCodePage, FlaggedNamesAreNeverDecoded) {
    EXPECT_EQ(DecodeEntryName("\x8F", true, P::Cp866), "\x8F");
    EXPECT_EQ(DecodeEntryName("\x8F", false, P::Cp866), "\u041F");
    EXPECT_EQ(DecodeEntryName("\x8F", false), "\u00C5");  // CP437 by default
}

TEST(NamesCodePage, PagesAreNamedAsPeopleTypeThem) {
    const std::pair<const char*, P> accepted[] = {
        {"CP866", P::Cp866},     {"cp866", P::Cp866},     {"866", P::Cp866},
        {"IBM866", P::Cp866},    {"cp437", P::Cp437},     {"windows-1251", P::Cp1251},
        {"SHIFT-JIS", P::Cp932}, {"shift_jis", P::Cp932}, {"SJIS", P::Cp932},
        {"CP932", P::Cp932},     {"GBK", P::Cp936},       {"936", P::Cp936},
        {"BIG5", P::Cp950},      {"big5", P::Cp950},      {"EUC-KR", P::Cp949},
        {"euc_kr", P::Cp949},    {"CP1252", P::Cp1252},   {"cp850", P::Cp850},
    };
    for (const auto& [text, page] : accepted) {
        EXPECT_EQ(ParseCodePage(text), page) << text;
    }
    for (const char* text : {"", "CP", "CP999", "8666", "UTF-8", "KOI8-R", "cp 866", "SHIFT"}) {
        EXPECT_FALSE(ParseCodePage(text).has_value()) << text;
    }
    for (const P page : NamesCodePages()) {
        EXPECT_EQ(ParseCodePage(CodePageName(page)), page);
    }
    EXPECT_EQ(NamesCodePages().size(), 11u);
    EXPECT_EQ(NamesCodePages().front(), P::Cp437);
}

}  // namespace
}  // namespace mobrel
