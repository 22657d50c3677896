#pragma once
// A minimal reader of the few zip header fields the decoder tests need, written straight
// from the format so the decoders are checked without the engine's own reader.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace mobrel::test {

struct RawZipEntry {
    std::string Name;
    uint16_t VersionMadeBy = 0;
    uint16_t Flags = 0;
    uint16_t Method = 0;
    uint16_t DosTime = 0;
    uint32_t Crc = 0;
    uint32_t CompressedSize = 0;
    uint32_t UncompressedSize = 0;
    uint32_t ExternalAttributes = 0;
    uint32_t LocalHeaderOffset = 0;
    std::string CentralExtra;  // the extra-field areas as stored
    std::string LocalExtra;
    size_t DataOffset = 0;  // first byte after the local header (and its name and extra)
};

struct RawZipArchive {
    std::vector<uint8_t> Bytes;
    std::vector<RawZipEntry> Entries;  // from the central directory, in archive order

    std::span<const uint8_t> Data(const RawZipEntry& entry) const {
        return std::span<const uint8_t>(Bytes).subspan(entry.DataOffset, entry.CompressedSize);
    }
};

// Reads a single-disk archive without zip64 records; throws std::runtime_error when the
// structure is not what it expects.
RawZipArchive ReadRawZip(const std::filesystem::path& file);

}  // namespace mobrel::test
