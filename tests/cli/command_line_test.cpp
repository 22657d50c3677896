#include "command_line.h"

#include <gtest/gtest.h>

namespace mobrel::cli {
namespace {

const std::vector<OptionSpec> kOptions = {{"-d", true},           {"-j"}, {"-x", true, true},
                                          {"--block-size", true}, {"-u"}, {"-f"}};

TEST(CommandLine, SeparatesOptionsValuesAndPositionalsInOrder) {
    CommandLine line({"a.zip", "-d", "out", "-x", "*.o", "-j", "-x", "*.a", "--block-size=1440",
                      "one", "-u", "-f"},
                     kOptions);
    EXPECT_EQ(line.Positional(), (std::vector<std::string>{"a.zip", "one"}));
    EXPECT_EQ(line.Value("-d"), "out");
    EXPECT_TRUE(line.Has("-j"));
    EXPECT_EQ(line.Values("-x"), (std::vector<std::string>{"*.o", "*.a"}));
    EXPECT_EQ(line.Value("--block-size"), "1440");
    EXPECT_EQ(line.Order().back(), "-f");  // the last of -u/-f wins
    EXPECT_FALSE(line.Value("-P").has_value());
}

TEST(CommandLine, DoubleDashEndsOptionsSoNamesMayStartWithADash) {
    CommandLine line({"a.zip", "--", "-j", "--help"}, kOptions);
    EXPECT_FALSE(line.Has("-j"));
    EXPECT_EQ(line.Positional(), (std::vector<std::string>{"a.zip", "-j", "--help"}));
}

TEST(CommandLine, RejectsUnknownOptionsAndMissingValues) {
    EXPECT_THROW(CommandLine({"-q"}, kOptions), UsageError);
    EXPECT_THROW(CommandLine({"a.zip", "-d"}, kOptions), UsageError);
    EXPECT_THROW(CommandLine({"-j=1"}, kOptions), UsageError);
}

}  // namespace
}  // namespace mobrel::cli
