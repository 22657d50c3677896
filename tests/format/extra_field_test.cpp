// The extra-field area: splitting it without trusting its lengths, taking a field out, and
// the modification time read from the extended timestamp and NTFS fields.
#include "format/extra_field.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "format/modification_time_field.h"
#include "platform/byte_order.h"

namespace mobrel {
namespace {

std::string U16(uint16_t value) {
    std::string bytes(2, '\0');
    StoreU16(reinterpret_cast<uint8_t*>(bytes.data()), value);
    return bytes;
}

std::string U32(uint32_t value) {
    std::string bytes(4, '\0');
    StoreU32(reinterpret_cast<uint8_t*>(bytes.data()), value);
    return bytes;
}

std::string U64(uint64_t value) {
    std::string bytes(8, '\0');
    StoreU64(reinterpret_cast<uint8_t*>(bytes.data()), value);
    return bytes;
}

std::string Field(uint16_t tag, const std::string& data) {
    return U16(tag) + U16(static_cast<uint16_t>(data.size())) + data;
}

TEST(ExtraField, SplitsWellFormedAreasAndStopsAtALyingLength) {
    const std::string area = Field(0x5455, "abcde") + Field(0xCAFE, "") + Field(0x7875, "xy");
    bool wellFormed = false;
    const auto fields = SplitExtraFields(area, &wellFormed);
    EXPECT_TRUE(wellFormed);
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[0].Tag, 0x5455);
    EXPECT_EQ(fields[0].Data, "abcde");
    EXPECT_EQ(fields[1].Data, "");
    EXPECT_EQ(fields[2].Data, "xy");
    EXPECT_EQ(FindExtraField(area, 0x7875), "xy");
    EXPECT_FALSE(FindExtraField(area, 0x0001).has_value());

    // A length running past the end: the fields before it count, the area is malformed.
    const std::string lying = Field(0x5455, "abcde") + U16(0x7075) + U16(40) + "short";
    EXPECT_EQ(SplitExtraFields(lying, &wellFormed).size(), 1u);
    EXPECT_FALSE(wellFormed);
    EXPECT_FALSE(FindExtraField(lying, 0x7075).has_value());
    EXPECT_FALSE(FindExtraField(lying, 0x5455).has_value());  // not trusted either
    // Padding too short for a record is harmless only when it is zeros.
    EXPECT_TRUE(IsWellFormedExtraArea(Field(1, "a") + std::string(3, '\0')));
    EXPECT_FALSE(IsWellFormedExtraArea(Field(1, "a") + "\x01"));
    EXPECT_TRUE(IsWellFormedExtraArea(""));
}

TEST(ExtraField, TakingAFieldOutKeepsTheOthersAndLeavesMalformedAreasAlone) {
    const std::string area = Field(0x5455, "t1") + Field(0x7875, "ux") + Field(0x5455, "t2");
    EXPECT_EQ(WithoutExtraField(area, 0x5455), Field(0x7875, "ux"));
    EXPECT_EQ(WithoutExtraField(area, 0x0001), area);
    const std::string malformed = Field(0x5455, "t1") + U16(0x7875) + U16(9);
    EXPECT_EQ(WithoutExtraField(malformed, 0x5455), malformed);
    // What a repair keeps: the records before the one that lies.
    EXPECT_EQ(WellFormedExtraPart(malformed), Field(0x5455, "t1"));
    EXPECT_EQ(WellFormedExtraPart(area), area);
}

TEST(ModificationTimeField, TheExtendedTimestampGivesTheInstantInEitherForm) {
    // Local form: modification, access and creation time; central form: modification only,
    // with flags that may still announce the others.
    const std::string local = Field(0x5455, "\x07" + U32(1600000001) + U32(5) + U32(6));
    const std::string central = Field(0x5455, "\x07" + U32(1600000001));
    EXPECT_EQ(ExtraModificationTime(local), 1600000001);
    EXPECT_EQ(ExtraModificationTime(central), 1600000001);
    // Times before 1970 are negative seconds.
    EXPECT_EQ(ExtraModificationTime(Field(0x5455, "\x01" + U32(0xFFFFFFFF))), -1);
    // What we write reads back.
    EXPECT_EQ(ExtraModificationTime(ExtendedTimestampField(1234567891)), 1234567891);
}

TEST(ModificationTimeField, FlagsWithoutTheTimeOrShortDataAreNoTime) {
    EXPECT_FALSE(ExtraModificationTime(Field(0x5455, "\x06" + U32(1) + U32(2))).has_value());
    EXPECT_FALSE(ExtraModificationTime(Field(0x5455,
                                             "\x01"
                                             "abc"))
                     .has_value());
    EXPECT_FALSE(ExtraModificationTime(Field(0x5455, "")).has_value());
    EXPECT_FALSE(ExtraModificationTime("").has_value());
}

TEST(ModificationTimeField, NtfsTimesCountFrom1601AndGiveWayToTheExtendedTimestamp) {
    const uint64_t ticks = (1600000001ull + 11644473600ull) * 10000000ull + 1234567;
    const std::string ntfs =
        Field(0x000A, U32(0) + U16(1) + U16(24) + U64(ticks) + U64(0) + U64(0));
    EXPECT_EQ(ExtraModificationTime(ntfs), 1600000001);
    EXPECT_EQ(ExtraModificationTime(ntfs + Field(0x5455, "\x01" + U32(77))), 77);
    // A bad extended timestamp leaves the NTFS time to speak.
    EXPECT_EQ(ExtraModificationTime(Field(0x5455, "\x01") + ntfs), 1600000001);
    // Attribute records that lie about their length, or are too short, give nothing.
    EXPECT_FALSE(
        ExtraModificationTime(Field(0x000A, U32(0) + U16(1) + U16(200) + U64(ticks))).has_value());
    EXPECT_FALSE(
        ExtraModificationTime(Field(0x000A, U32(0) + U16(1) + U16(8) + U64(ticks))).has_value());
}

TEST(ModificationTimeField, NtfsTicksPastTwoToTheSixtyThirdAreTheFarFutureNotBefore1601) {
    const auto modified = [](uint64_t ticks) {
        return ExtraModificationTime(
            Field(0x000A, U32(0) + U16(1) + U16(24) + U64(ticks) + U64(0) + U64(0)));
    };
    EXPECT_EQ(modified(0), -11644473600);                       // 1601-01-01
    EXPECT_EQ(modified(0x7FFFFFFFFFFFFFFFull), 910692730085);   // year 30828
    EXPECT_EQ(modified(0x8000000000000000ull), 910692730085);   // one tick later
    EXPECT_EQ(modified(0xFFFFFFFFFFFFFFFFull), 1833029933770);  // year 60056
}

}  // namespace
}  // namespace mobrel
