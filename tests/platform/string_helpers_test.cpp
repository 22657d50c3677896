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

}  // namespace
}  // namespace mobrel
