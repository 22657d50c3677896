#pragma once
// The fixed layouts of the three zip records; their fields are read and written with the
// little-endian helpers of platform/byte_order.h. Every size and offset of the classic
// format is 32 bits, every count 16 bits.
#include <cstddef>
#include <cstdint>

#include "platform/byte_order.h"

namespace mobrel {

constexpr uint32_t kLocalHeaderSignature = 0x04034B50;    // "PK\3\4"
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;  // "PK\1\2"
constexpr uint32_t kEndCentralSignature = 0x06054B50;     // "PK\5\6"

constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndCentralSize = 22;
constexpr size_t kDataDescriptorSize = 16;

// The largest archive comment plus its end record: how far from the end of a file the end
// record can stand.
constexpr size_t kEndCentralSearchWindow = 0xFFFF + kEndCentralSize;

// General purpose flags the engine interprets.
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDataDescriptor = 0x0008;

// Host systems in the high byte of "version made by".
constexpr uint8_t kHostMsDos = 0;
constexpr uint8_t kHostUnix = 3;
constexpr uint8_t kHostNtfs = 11;

// "Version made by" of every entry the writer creates: host Unix, format version 3.0, so
// readers take the high half of the external attributes for st_mode.
constexpr uint16_t kVersionMadeByUnix = kHostUnix << 8 | 30;

// The Unix file type in the high 16 bits of the external attributes (st_mode's S_IFMT).
constexpr uint32_t kUnixTypeMask = 0170000;
constexpr uint32_t kUnixRegularFile = 0100000;
constexpr uint32_t kUnixDirectory = 0040000;
constexpr uint32_t kUnixSymbolicLink = 0120000;

// Field offsets of the local file header.
namespace local_header {
constexpr size_t kSignature = 0;
constexpr size_t kVersionNeeded = 4;
constexpr size_t kGeneralFlags = 6;
constexpr size_t kCompressionMethod = 8;
constexpr size_t kDosDateTime = 10;
constexpr size_t kCrc32 = 14;
constexpr size_t kCompressedSize = 18;
constexpr size_t kUncompressedSize = 22;
constexpr size_t kFileNameLength = 26;
constexpr size_t kExtraFieldLength = 28;
}  // namespace local_header

// Field offsets of the central directory file header.
namespace central_header {
constexpr size_t kSignature = 0;
constexpr size_t kVersionMadeBy = 4;
constexpr size_t kVersionNeeded = 6;
constexpr size_t kGeneralFlags = 8;
constexpr size_t kCompressionMethod = 10;
constexpr size_t kDosDateTime = 12;
constexpr size_t kCrc32 = 16;
constexpr size_t kCompressedSize = 20;
constexpr size_t kUncompressedSize = 24;
constexpr size_t kFileNameLength = 28;
constexpr size_t kExtraFieldLength = 30;
constexpr size_t kFileCommentLength = 32;
constexpr size_t kDiskNumberStart = 34;
constexpr size_t kInternalAttributes = 36;
constexpr size_t kExternalAttributes = 38;
constexpr size_t kLocalHeaderOffset = 42;
}  // namespace central_header

// Field offsets of the end of central directory record.
namespace end_central {
constexpr size_t kSignature = 0;
constexpr size_t kThisDisk = 4;
constexpr size_t kCentralStartDisk = 6;
constexpr size_t kEntriesThisDisk = 8;
constexpr size_t kTotalEntries = 10;
constexpr size_t kCentralSize = 12;
constexpr size_t kCentralOffset = 16;
constexpr size_t kCommentLength = 20;
}  // namespace end_central

inline uint8_t HostOf(uint16_t versionMadeBy) {
    return static_cast<uint8_t>(versionMadeBy >> 8);
}

}  // namespace mobrel
