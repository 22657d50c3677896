#pragma once
// The DOS attribute byte of a host file. Linux keeps no archive, hidden or system bit: a
// file's byte is derived from its type and its owner's write permission.
#include <cstdint>
#include <optional>
#include <string>

namespace mobrel {

constexpr uint8_t faReadOnly = 0x01;
constexpr uint8_t faHidden = 0x02;
constexpr uint8_t faSysFile = 0x04;
constexpr uint8_t faVolumeID = 0x08;
constexpr uint8_t faDirectory = 0x10;
constexpr uint8_t faArchive = 0x20;

// 0x10 for a folder, 0x20 for a regular file, plus 0x01 when the owner may not write it
// (symbolic links are followed). Nothing when the file can't be examined.
std::optional<uint8_t> FileDosAttributes(const std::string& path);

// Gives a file what of the attribute byte has a meaning here: 0x01 removes every write
// permission. The other bits are ignored, and a byte without 0x01 changes nothing. False
// when the permissions could not be changed.
bool ApplyDosAttributes(const std::string& path, uint8_t attributes);
// The same for the file open as descriptor.
bool ApplyDosAttributesToOpenFile(int descriptor, uint8_t attributes);
// Takes the read-only attribute away: the owner may write the file again. False when the
// permissions could not be changed.
bool ClearReadOnly(const std::string& path);

}  // namespace mobrel
