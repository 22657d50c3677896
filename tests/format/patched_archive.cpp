#include "format/patched_archive.h"

#include <stdexcept>

#include "codecs/crc32.h"
#include "codecs/zip_cipher.h"

namespace mobrel::test {

namespace {

uint16_t Get16(const Bytes& bytes, size_t at) {
    return static_cast<uint16_t>(bytes.at(at) | (bytes.at(at + 1) << 8));
}

uint32_t Get32(const Bytes& bytes, size_t at) {
    return Get16(bytes, at) | (static_cast<uint32_t>(Get16(bytes, at + 2)) << 16);
}

void Set16(Bytes& bytes, size_t at, uint16_t value) {
    bytes.at(at) = static_cast<uint8_t>(value);
    bytes.at(at + 1) = static_cast<uint8_t>(value >> 8);
}

void Set32(Bytes& bytes, size_t at, uint32_t value) {
    Set16(bytes, at, static_cast<uint16_t>(value));
    Set16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}

size_t LocalHeaderOf(const Bytes& archive, size_t index) {
    size_t at = 0;
    for (size_t i = 0; i < index; ++i) {
        at += 30 + Get16(archive, at + 26) + Get16(archive, at + 28) + Get32(archive, at + 18);
    }
    if (Get32(archive, at) != 0x04034B50) {
        throw std::runtime_error("no local header for the entry");
    }
    return at;
}

size_t CentralHeaderOf(const Bytes& archive, size_t index) {
    const size_t end = archive.size() - 22;  // ZipBuilder writes no archive comment here
    size_t at = Get32(archive, end + 16);
    for (size_t i = 0; i < index; ++i) {
        at += 46 + Get16(archive, at + 28) + Get16(archive, at + 30) + Get16(archive, at + 32);
    }
    if (Get32(archive, at) != 0x02014B50) {
        throw std::runtime_error("no central header for the entry");
    }
    return at;
}

}  // namespace

void PatchEntry(Bytes& archive, size_t index, const EntryPatch& patch) {
    const size_t central = CentralHeaderOf(archive, index);
    const size_t local = LocalHeaderOf(archive, index);
    // Central fields sit two bytes after the local ones (version made by comes first).
    for (const size_t header : {local, central + 2}) {
        if (patch.Flags) {
            Set16(archive, header + 6, *patch.Flags);
        }
        if (patch.Method) {
            Set16(archive, header + 8, *patch.Method);
        }
        if (patch.Crc) {
            Set32(archive, header + 14, *patch.Crc);
        }
        if (patch.CompressedSize) {
            Set32(archive, header + 18, *patch.CompressedSize);
        }
        if (patch.UncompressedSize) {
            Set32(archive, header + 22, *patch.UncompressedSize);
        }
    }
    if (patch.ExternalAttributes) {
        Set32(archive, central + 38, *patch.ExternalAttributes);
    }
}

EncryptedEntry MakeEncryptedEntry(const std::string& name, const std::string& plain,
                                  const std::string& password, bool timeCheck) {
    const uint32_t crc = mobrel::Crc32Of(plain.data(), plain.size());
    EncryptedEntry result{BuiltEntry(name, ""), {}};
    // The header's last byte is what a reader checks: the CRC's high byte, or the high
    // byte of the DOS time for an entry written with a data descriptor.
    const uint32_t checkSource = timeCheck ? ((result.Entry.DosDateTime >> 8) & 0xFF) << 24 : crc;
    TZipCipher cipher;
    const TEncryptionHeader header = cipher.MakeEncryptionHeader(password, checkSource);
    std::string data(header.begin(), header.end());
    std::string body = plain;
    cipher.EncryptBuffer(reinterpret_cast<uint8_t*>(body.data()), body.size());
    data += body;
    result.Entry.Data = data;
    result.Patch.Flags = static_cast<uint16_t>(timeCheck ? 0x0009 : 0x0001);
    result.Patch.Crc = crc;
    result.Patch.UncompressedSize = static_cast<uint32_t>(plain.size());
    return result;
}

}  // namespace mobrel::test
