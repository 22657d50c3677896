#pragma once
// Helpers for the writer's tests: small source trees, the peers' verdicts on an archive we
// wrote, what the peers extract from it, and the raw compressed bytes of an entry.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "format/raw_zip_entries.h"
#include "test_support.h"

namespace mobrel::test {

// Writes text into folder/relative, creating the folders on the way; returns the path.
std::string MakeFile(const std::filesystem::path& folder, const std::string& relative,
                     const std::string& text);
// Sets a file's modification time to seconds since the epoch.
void SetFileTime(const std::string& path, int64_t secondsSinceEpoch);
// A text that deflates well and a run of bytes that does not deflate at all.
std::string CompressibleText(size_t size);
std::string RandomBytes(size_t size, uint32_t seed);

// unzip -t and 7z t both pass the archive (with the password, when given).
void ExpectPeersAccept(const std::filesystem::path& archive, const std::string& password = "");

// Every file the peer extracts, by its path relative to the output folder.
struct ExtractedFile {
    std::string Bytes;
    int64_t ModifiedTime = 0;  // seconds since the epoch
    bool ReadOnly = false;
};
using ExtractedTree = std::map<std::string, ExtractedFile>;
ExtractedTree ExtractWithUnzip(const std::filesystem::path& archive,
                               const std::string& password = "");
ExtractedTree ExtractWith7z(const std::filesystem::path& archive, const std::string& password = "");
// 7zz, which also reads split sets from their last part and raw pieces from their first.
ExtractedTree ExtractWith7zz(const std::filesystem::path& archive);
ExtractedTree ExtractWithPython(const std::filesystem::path& archive,
                                const std::string& password = "");

// The names python's zipfile lists, in archive order.
std::vector<std::string> PythonNames(const std::filesystem::path& archive);

// One entry as it lies in the archive: its raw record fields, its compressed bytes and
// what follows them.
struct RawEntry : RawZipEntry {
    std::string Data;       // the compressed bytes (encryption header included)
    std::string AfterData;  // the 16 bytes that follow the data (or fewer at the end)
};
// Walks the central directory of a single-disk archive.
std::vector<RawEntry> ReadRawEntries(const std::filesystem::path& archive);

// The names of the files in folder (not recursive).
std::vector<std::string> FilesIn(const std::filesystem::path& folder);

}  // namespace mobrel::test
