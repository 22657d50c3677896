#include "format/modification_time_field.h"

#include <cstdint>
#include <limits>

#include "format/extra_field.h"
#include "platform/byte_order.h"

namespace mobrel {

namespace {

constexpr uint8_t kModificationTimePresent = 0x01;
// NTFS ticks are 100 ns since 1 January 1601; the Unix epoch is this many seconds later.
constexpr uint64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kSecondsFrom1601To1970 = 11'644'473'600;
constexpr uint16_t kNtfsTimesTag = 0x0001;
constexpr size_t kNtfsTimesSize = 24;  // modification, access and creation time
constexpr size_t kNtfsReservedSize = 4;

const uint8_t* Bytes(std::string_view data) {
    return reinterpret_cast<const uint8_t*>(data.data());
}

std::optional<TDateTime> FromExtendedTimestamp(std::string_view data) {
    // The flags tell which times follow; the central form may say more than it holds, so
    // only the length decides whether the modification time is there.
    if (data.size() < 5 || (static_cast<uint8_t>(data[0]) & kModificationTimePresent) == 0) {
        return std::nullopt;
    }
    return static_cast<int32_t>(LoadU32(Bytes(data) + 1));
}

std::optional<TDateTime> FromNtfs(std::string_view data) {
    if (data.size() < kNtfsReservedSize) {
        return std::nullopt;
    }
    data.remove_prefix(kNtfsReservedSize);
    // Attributes are tagged records of their own; only the times record is read.
    while (data.size() >= 4) {
        const uint16_t tag = LoadU16(Bytes(data));
        const size_t length = LoadU16(Bytes(data) + 2);
        data.remove_prefix(4);
        if (length > data.size()) {
            return std::nullopt;
        }
        if (tag == kNtfsTimesTag && length >= kNtfsTimesSize) {
            // FILETIME is unsigned: a tick count past 2^63 is far in the future, never
            // before 1601. The seconds fit 64 signed bits whatever the ticks.
            const uint64_t ticks = LoadU64(Bytes(data));
            return static_cast<TDateTime>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970;
        }
        data.remove_prefix(length);
    }
    return std::nullopt;
}

}  // namespace

std::optional<TDateTime> ExtraModificationTime(std::string_view area) {
    if (const std::optional<std::string_view> field =
            FindExtraField(area, kExtraExtendedTimestamp)) {
        if (const std::optional<TDateTime> when = FromExtendedTimestamp(*field)) {
            return when;
        }
    }
    if (const std::optional<std::string_view> field = FindExtraField(area, kExtraNtfs)) {
        return FromNtfs(*field);
    }
    return std::nullopt;
}

bool FitsExtendedTimestamp(TDateTime modified) {
    return modified >= std::numeric_limits<int32_t>::min() &&
           modified <= std::numeric_limits<int32_t>::max();
}

std::string ExtendedTimestampField(TDateTime modified) {
    uint8_t data[5];
    data[0] = kModificationTimePresent;
    StoreU32(data + 1, static_cast<uint32_t>(static_cast<int32_t>(modified)));
    return MakeExtraField(kExtraExtendedTimestamp,
                          std::string_view(reinterpret_cast<const char*>(data), sizeof data));
}

}  // namespace mobrel
