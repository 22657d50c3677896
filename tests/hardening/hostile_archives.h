#pragma once
// Archives no honest tool writes, built byte by byte: overlapping entries, sizes that lie,
// names that try to leave the output folder or break it, end records that point anywhere
// and zip64 records. Each is small; what it claims is not.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "format/zip_builder.h"

namespace mobrel::test {

// One stored entry's local header followed by its data, and its central header.
Bytes LocalRecord(const BuiltEntry& entry);
Bytes CentralRecord(const BuiltEntry& entry, uint32_t localOffset);

// Every central header points at the one local entry there is.
Bytes SameOffsetOverlap(int entries);
// Entry i's stored data is entry i+1's local header and data, quoted: every byte but the
// headers belongs to every entry, so the output grows with the square of the entry count.
Bytes QuotedOverlap(int entries, size_t kernelSize);
// A deflated entry of plainSize zero bytes whose headers claim declaredSize.
Bytes DeflatedZeros(const std::string& name, size_t plainSize, uint32_t declaredSize);
// The fields of a zip64 end record and its locator; unset ones describe the archive.
struct Zip64Tail {
    std::optional<uint64_t> Entries{};
    std::optional<uint64_t> CentralSize{};
    std::optional<uint64_t> CentralOffset{};
    uint32_t ThisDisk = 0;
    uint32_t CentralDisk = 0;
    std::optional<uint64_t> LocatorOffset{};  // where the zip64 end record is said to be
    uint32_t LocatorDisk = 0;
    uint32_t TotalDisks = 1;
};
// The archive's classic end record (it has no comment) replaced by a zip64 end record, its
// locator and a classic record with every field saturated.
Bytes WithZip64Tail(Bytes archive, const Zip64Tail& tail = {});
// A zip64 end record and its locator in front of a saturated classic end record.
Bytes Zip64EndRecords();

struct HostileArchive {
    std::string Name;  // what it is, also its file name
    Bytes Data;
};
// The whole collection. Names that are absolute paths point into outsideProbe, a folder
// beside the output folder, so a test can see whether anything landed there.
std::vector<HostileArchive> HostileArchives(const std::filesystem::path& outsideProbe);

// Every file or folder below root that is not inside allowed (nor on the way to it).
std::vector<std::filesystem::path> PathsOutside(const std::filesystem::path& root,
                                                const std::filesystem::path& allowed);

}  // namespace mobrel::test
