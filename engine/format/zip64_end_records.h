#pragma once
// The two records a ZIP64 archive puts before its classic end record: the ZIP64 end of
// central directory record, with the 64-bit counts, size and offset of the directory, and
// the locator right before the classic record, which says where the first one is.
#include <array>
#include <cstdint>
#include <optional>

#include "platform/stream.h"

namespace mobrel {

constexpr uint32_t kZip64EndSignature = 0x06064B50;      // "PK\6\6"
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;  // "PK\6\7"
constexpr size_t kZip64EndSize = 56;  // the fixed part; writers may add data after it
constexpr size_t kZip64LocatorSize = 20;

struct TZip64Locator {
    uint32_t EndDisk = 0;  // 0-based disk of the ZIP64 end record
    uint64_t EndOffset = 0;
    uint32_t TotalDisks = 1;  // some writers put 0 for a single file

    using TImage = std::array<uint8_t, kZip64LocatorSize>;
    // Nothing when the image doesn't start with the locator's signature.
    static std::optional<TZip64Locator> FromImage(const TImage& image);
    void Write(TStream& stream) const;
};

struct TZip64End {
    uint16_t VersionMadeBy = 45;
    uint16_t VersionNeeded = 45;
    uint32_t ThisDisk = 0;
    uint32_t CentralStartDisk = 0;
    uint64_t EntriesThisDisk = 0;
    uint64_t TotalEntries = 0;
    uint64_t CentralSize = 0;
    uint64_t CentralOffset = 0;

    using TImage = std::array<uint8_t, kZip64EndSize>;
    // Nothing when the image doesn't start with the record's signature or declares a size
    // too small for its fixed fields.
    static std::optional<TZip64End> FromImage(const TImage& image);
    void Write(TStream& stream) const;
};

}  // namespace mobrel
