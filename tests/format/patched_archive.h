#pragma once
// Archives from ZipBuilder with header fields changed afterwards, for what no tool writes
// on purpose: a method without a decoder, a wrong CRC, a size smaller than the data,
// traditional encryption with either kind of check byte.
#include <cstdint>
#include <optional>
#include <string>

#include "format/zip_builder.h"

namespace mobrel::test {

// Fields to change in both headers (local and central) of one entry.
struct EntryPatch {
    std::optional<uint16_t> Flags{};
    std::optional<uint16_t> Method{};
    std::optional<uint32_t> Crc{};
    std::optional<uint32_t> CompressedSize{};
    std::optional<uint32_t> UncompressedSize{};
    std::optional<uint32_t> ExternalAttributes{};  // central header only
};

// Applies patch to entry index of a single-disk archive that ZipBuilder built (sizes in
// the local headers are the real ones, so the headers are walked from the front).
void PatchEntry(Bytes& archive, size_t index, const EntryPatch& patch);

// A stored entry encrypted with password: its data is the encryption header and the
// encrypted bytes, and the patch gives it the flags, CRC and size of the plain text. With
// timeCheck the entry carries the data-descriptor flag, so its check byte is the high
// byte of the DOS time.
struct EncryptedEntry {
    BuiltEntry Entry;
    EntryPatch Patch;
};
EncryptedEntry MakeEncryptedEntry(const std::string& name, const std::string& plain,
                                  const std::string& password, bool timeCheck = false);

}  // namespace mobrel::test
