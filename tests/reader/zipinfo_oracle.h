#pragma once
// Info-ZIP zipinfo as the oracle of what an archive's central directory says: its verbose
// listing gives each entry's stored name, sizes and DOS date-time exactly.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mobrel::test {

struct ZipinfoEntry {
    std::string Name;  // as zipinfo prints it, '/' separated
    uint64_t CompressedSize = 0;
    uint64_t UncompressedSize = 0;
    std::string DosDateTime;  // "YYYY-MM-DD HH:MM:SS"
    // The extended timestamp's modification time in local time, as DosDateTime; empty
    // without one. (zipinfo shows no time from the NTFS field.)
    std::string ExactLocalTime;
};

struct ZipinfoListing {
    int ExitCode = -1;
    std::vector<ZipinfoEntry> Entries;
    std::string Output;
};

// Runs "zipinfo -v" on archive (in a UTF-8 locale, so names print as stored).
ZipinfoListing RunZipinfo(const std::filesystem::path& archive);

}  // namespace mobrel::test
