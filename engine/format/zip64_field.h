#pragma once
// The ZIP64 extended-information extra field (tag 0x0001). It holds the 64-bit values of
// an entry whose 32-bit header fields are saturated, and only those, in a fixed order:
// uncompressed size, compressed size, local header offset, then the 32-bit disk number.
// A local header's field holds both sizes whenever it holds either.
#include <cstdint>
#include <string>
#include <string_view>

namespace mobrel {

// Which values a field holds, as a mask.
constexpr uint8_t kZip64Uncompressed = 1;
constexpr uint8_t kZip64Compressed = 2;
constexpr uint8_t kZip64Offset = 4;
constexpr uint8_t kZip64Disk = 8;
constexpr uint8_t kZip64Sizes = kZip64Uncompressed | kZip64Compressed;

// The 32-bit header value that sends a reader to the field.
constexpr uint32_t kSaturated32 = 0xFFFFFFFF;
constexpr uint16_t kSaturated16 = 0xFFFF;

// No true size, offset or count comes near this; a larger one could only wrap in
// arithmetic, or pass the signed positions streams seek to.
constexpr uint64_t kLargestWideValue = uint64_t{1} << 62;
// The largest disk number a set can have: one more is its disk count, an int.
constexpr uint32_t kLargestDisk = 0x7FFFFFFE;

struct TZip64Values {
    uint64_t UncompressedSize = 0;
    uint64_t CompressedSize = 0;
    uint64_t LocalHeaderOffset = 0;
    uint32_t DiskNumberStart = 0;
};

// Bytes the field's data takes for the values of mask.
size_t Zip64FieldDataSize(uint8_t mask);

// Takes the values of mask from the area's field into values. False, changing nothing,
// when the area has no such field or it is too short for them.
bool ReadZip64Field(std::string_view area, uint8_t mask, TZip64Values& values);

// The area with its field holding the values of mask. A field that already starts with
// exactly those bytes is kept as it is (with anything it holds after them), so a kept
// entry's area stays byte for byte; otherwise the field's data is replaced where it stands,
// or a new field goes first. A mask of 0 gives the area unchanged.
std::string WithZip64Field(std::string_view area, uint8_t mask, const TZip64Values& values);

}  // namespace mobrel
