// The 0x9901 field: what it takes to be understood, and the writer's in-place update that
// keeps a local header's size.
#include "format/aes_extra_field.h"

#include <gtest/gtest.h>

#include "format/extra_field.h"

namespace mobrel {
namespace {

std::string FieldData(std::string_view bytes) {
    return MakeExtraField(kExtraAes, bytes);
}

TEST(AesExtraField, ReadsWhatItWrites) {
    TAesField field;
    field.VendorVersion = kAesVersion2;
    field.Strength = 1;
    field.Method = 8;
    const std::string area = MakeExtraField(0x5455, "x") + MakeAesField(field);
    EXPECT_EQ(MakeAesField(field), FieldData(std::string("\x02\x00"
                                                         "AE\x01\x08\x00",
                                                         7)));
    const std::optional<TAesField> read = ReadAesField(area);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->VendorVersion, kAesVersion2);
    EXPECT_EQ(read->Strength, 1);
    EXPECT_EQ(read->Method, 8);
    EXPECT_FALSE(read->ChecksCrc());
}

TEST(AesExtraField, RefusesWhatItCannotTrust) {
    EXPECT_FALSE(ReadAesField(""));
    EXPECT_FALSE(
        ReadAesField(FieldData(std::string("\x01\x00"
                                           "AE\x03\x08",
                                           6))));
    EXPECT_FALSE(
        ReadAesField(FieldData(std::string("\x01\x00"
                                           "AE\x04\x08\x00",
                                           7))));
    EXPECT_FALSE(
        ReadAesField(FieldData(std::string("\x01\x00"
                                           "AE\x00\x08\x00",
                                           7))));
    EXPECT_FALSE(
        ReadAesField(FieldData(std::string("\x03\x00"
                                           "AE\x03\x08\x00",
                                           7))));
    EXPECT_FALSE(
        ReadAesField(FieldData(std::string("\x01\x00"
                                           "XY\x03\x08\x00",
                                           7))));
    EXPECT_TRUE(
        ReadAesField(FieldData(std::string("\x01\x00"
                                           "AE\x03\x08\x00",
                                           7))));
}

TEST(AesExtraField, UpdateKeepsTheAreaSizeAndOtherFields) {
    TAesField field;
    field.Method = 8;
    const std::string before =
        MakeExtraField(1, "12345678") + MakeAesField(field) + MakeExtraField(0x5455, "abc");
    field.Method = 0;
    field.VendorVersion = kAesVersion2;
    const std::string after = WithAesField(before, field);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after,
              MakeExtraField(1, "12345678") + MakeAesField(field) + MakeExtraField(0x5455, "abc"));
    EXPECT_EQ(WithAesField("", field), MakeAesField(field));
}

}  // namespace
}  // namespace mobrel
