#pragma once
// What Python's zipfile reports about an archive's central directory, as the oracle the
// reader's records are compared with.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mobrel::test {

struct PythonZipEntry {
    // The name as the engine should hold it: UTF-8 for flagged names and for MS-DOS-host
    // names (read as CP437), the stored bytes for other hosts; separators still '/'.
    std::string Name;
    uint32_t VersionMadeBy = 0;
    uint32_t VersionNeeded = 0;
    uint32_t Flags = 0;
    uint32_t Method = 0;
    uint32_t DosDateTime = 0;  // repacked from zipfile's date_time, unsanitised
    uint32_t Crc = 0;
    uint64_t CompressedSize = 0;
    uint64_t UncompressedSize = 0;
    uint32_t ExtraLength = 0;
    uint32_t CommentLength = 0;
    uint32_t Disk = 0;
    uint32_t InternalAttributes = 0;
    uint32_t ExternalAttributes = 0;
    int64_t HeaderOffset = 0;  // zipfile adds any prefix it detected
    std::string Comment;
};

struct PythonZipListing {
    bool Ok = false;
    std::string Error;  // the script's output when it failed
    std::string Comment;
    std::vector<PythonZipEntry> Entries;
    std::string TestResult;  // "None" when testzip found every entry sound (only if asked)
};

// One run of python3 for all the archives, since starting it is the slow part.
std::vector<PythonZipListing> ListWithPython(const std::vector<std::filesystem::path>& archives,
                                             bool testEntries = false);
PythonZipListing ListWithPython(const std::filesystem::path& archive, bool testEntries = false);

}  // namespace mobrel::test
