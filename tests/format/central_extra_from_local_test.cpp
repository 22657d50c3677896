#include "format/central_extra_from_local.h"

#include <gtest/gtest.h>

#include "format/extra_field.h"

namespace mobrel {
namespace {

std::string Field(uint16_t tag, const std::string& data) {
    return MakeExtraField(tag, data);
}

TEST(CentralExtraFromLocal, KeepsSharedFieldsInTheirCentralFormAndDropsTheRest) {
    const std::string times = std::string("\x03", 1) + "MMMMAAAA";  // modified and accessed
    const std::string unicodePath = std::string("\x01", 1) + "CRC!name";
    const std::string ntfs(32, 'n');
    const std::string local =
        Field(kExtraExtendedTimestamp, times) + Field(kExtraUnixOwner, "\x01\x04uuuu\x04gggg") +
        Field(0xCAFE, "unknown") + Field(kExtraNtfs, ntfs) + Field(kExtraUnicodePath, unicodePath);
    EXPECT_EQ(CentralExtraFromLocal(local),
              Field(kExtraExtendedTimestamp, std::string("\x03", 1) + "MMMM") +
                  Field(kExtraNtfs, ntfs) + Field(kExtraUnicodePath, unicodePath));
}

TEST(CentralExtraFromLocal, TimestampsWithoutAModificationTimeKeepOnlyTheirFlags) {
    EXPECT_EQ(CentralExtraFromLocal(Field(kExtraExtendedTimestamp,
                                          "\x02"
                                          "AAAA")),
              Field(kExtraExtendedTimestamp, "\x02"));
    // Flags that promise a time the field is too short for.
    EXPECT_EQ(CentralExtraFromLocal(Field(kExtraExtendedTimestamp,
                                          "\x01"
                                          "MM")),
              Field(kExtraExtendedTimestamp, "\x01"));
    EXPECT_EQ(CentralExtraFromLocal(Field(kExtraExtendedTimestamp, "")), "");
}

TEST(CentralExtraFromLocal, AMalformedAreaGivesItsWellFormedFieldsOnly) {
    const std::string good = Field(kExtraNtfs, std::string(8, 'n'));
    EXPECT_EQ(CentralExtraFromLocal(good + std::string("\x55\x54\x40\x00"
                                                       "short",
                                                       9)),
              good);
    EXPECT_EQ(CentralExtraFromLocal(""), "");
}

}  // namespace
}  // namespace mobrel
