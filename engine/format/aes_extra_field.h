#pragma once
// The AES extra field (tag 0x9901) of an entry whose method is 99: which AES variant
// encrypted the data, the key strength and the method the data was compressed with before
// it was encrypted. Seven bytes: vendor version (1 = AE-1, 2 = AE-2), the vendor ID "AE",
// the strength (1, 2, 3 for 128, 192, 256 bits) and the real method.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mobrel {

class TZipHeaderInfo;

constexpr uint16_t kExtraAes = 0x9901;
constexpr size_t kAesFieldDataSize = 7;

// AE-1 entries keep the CRC of their data; AE-2 entries store 0 and rely on the
// authentication code alone.
constexpr uint16_t kAesVersion1 = 1;
constexpr uint16_t kAesVersion2 = 2;

struct TAesField {
    uint16_t VendorVersion = kAesVersion1;
    uint8_t Strength = 3;  // 1, 2 or 3
    uint16_t Method = 0;   // the real compression method

    bool ChecksCrc() const { return VendorVersion == kAesVersion1; }
};

// The field of an extra area; nothing when it is missing, shorter than 7 bytes, or names a
// vendor, version or strength this engine does not know.
std::optional<TAesField> ReadAesField(std::string_view area);

// The field of an entry whose method is 99, from its central header or else its local one;
// nothing for another method or a field ReadAesField refuses.
std::optional<TAesField> AesFieldOf(const TZipHeaderInfo& entry);

// The method an entry's data was compressed with: the field's for an AES entry, else the
// header's.
uint16_t DataMethodOf(const TZipHeaderInfo& entry);

// The field's record, header included.
std::string MakeAesField(const TAesField& field);

// The area with its AES field's data replaced where it stands (the area keeps its size), or
// the record appended when it has none.
std::string WithAesField(std::string_view area, const TAesField& field);

}  // namespace mobrel
