#include "format/zip64_field.h"

#include "format/extra_field.h"
#include "platform/byte_order.h"

namespace mobrel {

namespace {

std::string FieldData(uint8_t mask, const TZip64Values& values) {
    std::string data(Zip64FieldDataSize(mask), '\0');
    auto* p = reinterpret_cast<uint8_t*>(data.data());
    if (mask & kZip64Uncompressed) {
        StoreU64(p, values.UncompressedSize);
        p += 8;
    }
    if (mask & kZip64Compressed) {
        StoreU64(p, values.CompressedSize);
        p += 8;
    }
    if (mask & kZip64Offset) {
        StoreU64(p, values.LocalHeaderOffset);
        p += 8;
    }
    if (mask & kZip64Disk) {
        StoreU32(p, values.DiskNumberStart);
    }
    return data;
}

}  // namespace

size_t Zip64FieldDataSize(uint8_t mask) {
    size_t size = 0;
    for (const uint8_t wide : {kZip64Uncompressed, kZip64Compressed, kZip64Offset}) {
        size += (mask & wide) ? 8 : 0;
    }
    return size + ((mask & kZip64Disk) ? 4 : 0);
}

bool ReadZip64Field(std::string_view area, uint8_t mask, TZip64Values& values) {
    const std::optional<std::string_view> field = FindExtraField(area, kExtraZip64);
    if (!field || field->size() < Zip64FieldDataSize(mask)) {
        return false;
    }
    const auto* p = reinterpret_cast<const uint8_t*>(field->data());
    if (mask & kZip64Uncompressed) {
        values.UncompressedSize = LoadU64(p);
        p += 8;
    }
    if (mask & kZip64Compressed) {
        values.CompressedSize = LoadU64(p);
        p += 8;
    }
    if (mask & kZip64Offset) {
        values.LocalHeaderOffset = LoadU64(p);
        p += 8;
    }
    if (mask & kZip64Disk) {
        values.DiskNumberStart = LoadU32(p);
    }
    return true;
}

std::string WithZip64Field(std::string_view area, uint8_t mask, const TZip64Values& values) {
    if (mask == 0) {
        return std::string(area);
    }
    const std::string data = FieldData(mask, values);
    const std::optional<std::string_view> existing = FindExtraField(area, kExtraZip64);
    if (existing && existing->starts_with(data)) {
        return std::string(area);
    }
    if (!existing) {
        // A malformed area can't be searched for an old field either; the new one goes in
        // front, where a reader finds it before the damage.
        return MakeExtraField(kExtraZip64, data) + std::string(area);
    }
    // Replaced where it stands, the other fields keep their order.
    const size_t start =
        static_cast<size_t>(existing->data() - area.data()) - kExtraFieldHeaderSize;
    const size_t end = start + kExtraFieldHeaderSize + existing->size();
    return std::string(area.substr(0, start)) + MakeExtraField(kExtraZip64, data) +
           std::string(area.substr(end));
}

}  // namespace mobrel
