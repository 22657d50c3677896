#include "format/aes_extra_field.h"

#include "format/compression_method.h"
#include "format/extra_field.h"
#include "format/zip_header_info.h"
#include "platform/byte_order.h"

namespace mobrel {

namespace {

std::string AesFieldData(const TAesField& field) {
    std::string data(kAesFieldDataSize, '\0');
    auto* bytes = reinterpret_cast<uint8_t*>(data.data());
    StoreU16(bytes, field.VendorVersion);
    bytes[2] = 'A';
    bytes[3] = 'E';
    bytes[4] = field.Strength;
    StoreU16(bytes + 5, field.Method);
    return data;
}

}  // namespace

std::optional<TAesField> ReadAesField(std::string_view area) {
    const std::optional<std::string_view> data = FindExtraField(area, kExtraAes);
    if (!data || data->size() < kAesFieldDataSize) {
        return std::nullopt;
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(data->data());
    TAesField field;
    field.VendorVersion = LoadU16(bytes);
    field.Strength = bytes[4];
    field.Method = LoadU16(bytes + 5);
    const bool knownVersion =
        field.VendorVersion == kAesVersion1 || field.VendorVersion == kAesVersion2;
    const bool knownVendor = bytes[2] == 'A' && bytes[3] == 'E';
    if (!knownVersion || !knownVendor || field.Strength < 1 || field.Strength > 3) {
        return std::nullopt;
    }
    return field;
}

std::string MakeAesField(const TAesField& field) {
    return MakeExtraField(kExtraAes, AesFieldData(field));
}

std::string WithAesField(std::string_view area, const TAesField& field) {
    const std::optional<std::string_view> data = FindExtraField(area, kExtraAes);
    if (!data || data->size() != kAesFieldDataSize) {
        return std::string(area) + MakeAesField(field);
    }
    std::string result(area);
    const size_t at = static_cast<size_t>(data->data() - area.data());
    result.replace(at, kAesFieldDataSize, AesFieldData(field));
    return result;
}

std::optional<TAesField> AesFieldOf(const TZipHeaderInfo& entry) {
    if (entry.CompressionMethod != cmAes) {
        return std::nullopt;
    }
    if (std::optional<TAesField> field = ReadAesField(entry.CentralExtra)) {
        return field;
    }
    return ReadAesField(entry.LocalExtra);
}

uint16_t DataMethodOf(const TZipHeaderInfo& entry) {
    const std::optional<TAesField> field = AesFieldOf(entry);
    return field ? field->Method : entry.CompressionMethod;
}

}  // namespace mobrel
