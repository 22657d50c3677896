#include "platform/wildcard_match.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/wildcard_reference.h"

namespace mobrel {
namespace {

struct MatchCase {
    const char* Pattern;
    const char* Name;
    bool Expected;
};

void ExpectCases(const std::vector<MatchCase>& cases) {
    for (const MatchCase& c : cases) {
        EXPECT_EQ(WildcardMatch(c.Pattern, c.Name), c.Expected)
            << "pattern \"" << c.Pattern << "\", name \"" << c.Name << "\"";
    }
}

TEST(WildcardMatch, PlainCharactersQuestionMarksAndCase) {
    ExpectCases({
        {"*.TXT", "readme.txt", true},
        {"README.TXT", "readme.txt", true},
        {"readme.txt", "README.TXT", true},
        {"readme.txt", "readme.txu", false},
        {"readme.txt", "readme.tx", false},
        {"readme.tx", "readme.txt", false},
        {"r?adme.txt", "reAdme.txt", true},
        {"r?adme.txt", "radme.txt", false},
        {"", "", true},
        {"", "a", false},
        {"a", "", false},
        {"?", "", false},
        // Only A-Z fold: bytes above 127 compare as they are.
        {"\xC3\x89t\xC3\xA9", "\xC3\x89T\xC3\xA9", true},
        {"\xC3\xA9", "\xC3\x89", false},
    });
}

TEST(WildcardMatch, StarRunsAndTheEndOfTheName) {
    ExpectCases({
        {"*", "", true},
        {"*", "anything at all", true},
        {"*.*", "readme", false},
        {"*.*", "readme.", true},
        {"*.*", "a.b.c", true},
        {"a*", "a", true},
        {"a**", "a", false},
        {"a**", "ab", true},
        {"a*?", "ab", true},
        {"a*?", "a", false},
        {"a*??", "ab", false},
        {"a*??", "abc", true},
        {"a?*", "ab", true},
        {"**", "", false},
        {"*?", "", false},
        {"*x", "x", true},
        {"*x", "yyx", true},
        {"*x", "xy", false},
        {"*a*b*c", "aXbYc", true},
        {"*a*b*c", "aXcYb", false},
        {"a*b", "ab", true},
        {"a*b", "abbb", true},
        {"a*b", "abba", false},
        // The first position where the next character fits is not always the right one.
        {"*ab", "aab", true},
        {"*issip*", "mississippi", true},
    });
}

TEST(WildcardMatch, SetsRangesAndInversion) {
    ExpectCases({
        {"file<0-9>.dat", "file7.dat", true},
        {"file<!0-9>.dat", "file7.dat", false},
        {"file<^0-9>.dat", "file7.dat", false},
        {"file<!0-9>.dat", "filex.dat", true},
        {"file<9-0>.dat", "file7.dat", true},  // a range may be written backwards
        {"file<abc>.dat", "fileb.dat", true},
        {"file<abc>.dat", "filed.dat", false},
        {"file<a-cx>.dat", "filex.dat", true},
        {"file<A-C>.dat", "fileb.dat", true},
        {"file<a-c>.dat", "FILEB.DAT", true},
        {"<a->", "-", true},  // a '-' with nothing after it stands for itself
        {"<a->", "b", false},
        {"<a-c", "a", false},   // no '>'
        {"x<>", "x", false},    // nothing in it
        {"x<>", "x<>", false},  // and never a literal either
        {"<!>", "a", false},    // an inverted set with nothing in it
        {"a<0-9", "a<0-9", false},
        {"a>b", "a>b", true},  // a '>' outside a set is an ordinary character
    });
}

TEST(WildcardMatch, StarFollowedBySetOnlyPassesOverMembers) {
    ExpectCases({
        {"*<0-9>.log", "2024.log", true},
        {"*<0-9>.log", "x1.log", false},
        {"*<0-9>.log", ".log", false},
        {"*<!0-9>.log", "abc.log", true},
        {"*<!0-9>.log", "a1c.log", false},
        {"*?<0-9>", "x12", true},  // the '?' takes its character before the set applies
        {"*?<0-9>", "xy2", false},
        // Each star keeps its own set: the inner one must not change the outer one's.
        {"*x*<0-9>", "x1ax22", true},
        {"*<a>b*<c>d", "aabccd", true},
        {"*<a>b*<c>d", "aabcxd", false},
    });
}

TEST(WildcardMatch, HasWildcardsSeesEveryWildcardCharacter) {
    for (const char* text : {"*", "a?", "<", ">", "x|y", "dir/*.txt"}) {
        EXPECT_TRUE(HasWildcards(text)) << text;
    }
    for (const char* text : {"", "plain.txt", "/data/2024/logs/", "[a]", "a-b!^"}) {
        EXPECT_FALSE(HasWildcards(text)) << text;
    }
}

// Many stars against a name that almost fits: a matcher that retries every position of
// every star would run practically forever here.
TEST(WildcardMatch, ManyStarsStayTractable) {
    std::string pattern;
    for (int i = 0; i < 200; ++i) {
        pattern += "*a";
    }
    pattern += "*b";
    const std::string name(3000, 'a');
    EXPECT_FALSE(WildcardMatch(pattern, name));
    EXPECT_TRUE(WildcardMatch(pattern, name + "b"));
    EXPECT_FALSE(WildcardMatch(std::string(5000, '*') + "?", ""));
    EXPECT_TRUE(WildcardMatch(std::string(5000, '*') + "?", "x"));
}

// The rules above, applied literally by the reference, on every short pattern and name
// over a small alphabet that exercises case, sets, ranges and runs.
TEST(WildcardMatch, AgreesWithReferenceOnRandomShortInputs) {
    std::mt19937 random(20240611);
    auto randomText = [&](std::string_view alphabet, size_t maxLength) {
        std::string text(random() % (maxLength + 1), ' ');
        for (char& c : text) {
            c = alphabet[random() % alphabet.size()];
        }
        return text;
    };
    int matches = 0;
    for (int i = 0; i < 300000; ++i) {
        // Sets and ranges in one third of the patterns, many stars in the others.
        const bool withSets = i % 3 == 0;
        const std::string pattern =
            withSets ? randomText("ab*?<>!-A", 9) : randomText("ab**?A", 12);
        const std::string name = randomText("abAB-!", withSets ? 7 : 10);
        const bool expected = test::TReferenceWildcard::Match(pattern, name);
        ASSERT_EQ(WildcardMatch(pattern, name), expected)
            << "pattern \"" << pattern << "\", name \"" << name << "\"";
        matches += expected ? 1 : 0;
    }
    // Enough of both answers that the comparison means something.
    EXPECT_GT(matches, 2000);
    EXPECT_LT(matches, 298000);
}

TEST(WildcardMatch, LongPatternsBeyondTheInlineBuffer) {
    std::string pattern;
    std::string name;
    for (int i = 0; i < 100; ++i) {
        pattern += "<a-c>?";
        name += "bz";
    }
    EXPECT_TRUE(WildcardMatch(pattern + "*", name + "tail"));
    EXPECT_FALSE(WildcardMatch(pattern, name + "x"));
    name[100] = 'd';
    EXPECT_FALSE(WildcardMatch(pattern, name));
}

TEST(WildcardMatch, SafeOnSeveralThreadsAtOnce) {
    auto work = [](bool& allRight) {
        allRight = true;
        for (int i = 0; i < 20000; ++i) {
            allRight = allRight && WildcardMatch("*<0-9>.log", "2024.log") &&
                       !WildcardMatch("*<!0-9>.log", "a1c.log") && WildcardMatch("*<a-z>x", "abcx");
        }
    };
    bool first = false;
    bool second = false;
    std::thread a(work, std::ref(first));
    std::thread b(work, std::ref(second));
    a.join();
    b.join();
    EXPECT_TRUE(first);
    EXPECT_TRUE(second);
}

}  // namespace
}  // namespace mobrel
