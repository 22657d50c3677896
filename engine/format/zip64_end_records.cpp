#include "format/zip64_end_records.h"

#include "platform/byte_order.h"

namespace mobrel {

namespace {

// The record's size field counts the bytes after itself.
constexpr uint64_t kZip64EndSizeField = kZip64EndSize - 12;

}  // namespace

std::optional<TZip64Locator> TZip64Locator::FromImage(const TImage& image) {
    const uint8_t* p = image.data();
    if (LoadU32(p) != kZip64LocatorSignature) {
        return std::nullopt;
    }
    TZip64Locator locator;
    locator.EndDisk = LoadU32(p + 4);
    locator.EndOffset = LoadU64(p + 8);
    locator.TotalDisks = LoadU32(p + 16);
    return locator;
}

void TZip64Locator::Write(TStream& stream) const {
    TImage image{};
    uint8_t* p = image.data();
    StoreU32(p, kZip64LocatorSignature);
    StoreU32(p + 4, EndDisk);
    StoreU64(p + 8, EndOffset);
    StoreU32(p + 16, TotalDisks);
    stream.WriteBuffer(image.data(), std::ssize(image));
}

std::optional<TZip64End> TZip64End::FromImage(const TImage& image) {
    const uint8_t* p = image.data();
    if (LoadU32(p) != kZip64EndSignature || LoadU64(p + 4) < kZip64EndSizeField) {
        return std::nullopt;
    }
    TZip64End end;
    end.VersionMadeBy = LoadU16(p + 12);
    end.VersionNeeded = LoadU16(p + 14);
    end.ThisDisk = LoadU32(p + 16);
    end.CentralStartDisk = LoadU32(p + 20);
    end.EntriesThisDisk = LoadU64(p + 24);
    end.TotalEntries = LoadU64(p + 32);
    end.CentralSize = LoadU64(p + 40);
    end.CentralOffset = LoadU64(p + 48);
    return end;
}

void TZip64End::Write(TStream& stream) const {
    TImage image{};
    uint8_t* p = image.data();
    StoreU32(p, kZip64EndSignature);
    StoreU64(p + 4, kZip64EndSizeField);
    StoreU16(p + 12, VersionMadeBy);
    StoreU16(p + 14, VersionNeeded);
    StoreU32(p + 16, ThisDisk);
    StoreU32(p + 20, CentralStartDisk);
    StoreU64(p + 24, EntriesThisDisk);
    StoreU64(p + 32, TotalEntries);
    StoreU64(p + 40, CentralSize);
    StoreU64(p + 48, CentralOffset);
    stream.WriteBuffer(image.data(), std::ssize(image));
}

}  // namespace mobrel
