#pragma once
// Header bytes laid out by hand, independently of the engine's own layout tables, for
// tests that feed the reader exact images.
#include <cstdint>
#include <string>
#include <vector>

namespace mobrel::test {

struct HeaderFields {
    uint16_t VersionMadeBy = 20;
    uint16_t VersionNeeded = 20;
    uint16_t Flags = 0;
    uint16_t Method = 0;
    uint16_t Time = 0x6000;  // 12:00:00
    uint16_t Date = 0x5863;  // 2024-03-03
    uint32_t Crc = 0x12345678;
    uint32_t CompressedSize = 11;
    uint32_t UncompressedSize = 22;
    std::string Name = "a.txt";  // bytes as stored
    std::string Extra;
    std::string Comment;
    uint16_t Disk = 0;
    uint16_t InternalAttributes = 1;
    uint32_t ExternalAttributes = 0x20;
    uint32_t LocalHeaderOffset = 0;
};

inline void Put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

inline void PutText(std::vector<uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

inline std::vector<uint8_t> CentralHeaderBytes(const HeaderFields& f) {
    std::vector<uint8_t> out = {'P', 'K', 1, 2};
    Put16(out, f.VersionMadeBy);
    Put16(out, f.VersionNeeded);
    Put16(out, f.Flags);
    Put16(out, f.Method);
    Put16(out, f.Time);
    Put16(out, f.Date);
    Put32(out, f.Crc);
    Put32(out, f.CompressedSize);
    Put32(out, f.UncompressedSize);
    Put16(out, static_cast<uint32_t>(f.Name.size()));
    Put16(out, static_cast<uint32_t>(f.Extra.size()));
    Put16(out, static_cast<uint32_t>(f.Comment.size()));
    Put16(out, f.Disk);
    Put16(out, f.InternalAttributes);
    Put32(out, f.ExternalAttributes);
    Put32(out, f.LocalHeaderOffset);
    PutText(out, f.Name);
    PutText(out, f.Extra);
    PutText(out, f.Comment);
    return out;
}

inline std::vector<uint8_t> LocalHeaderBytes(const HeaderFields& f) {
    std::vector<uint8_t> out = {'P', 'K', 3, 4};
    Put16(out, f.VersionNeeded);
    Put16(out, f.Flags);
    Put16(out, f.Method);
    Put16(out, f.Time);
    Put16(out, f.Date);
    Put32(out, f.Crc);
    Put32(out, f.CompressedSize);
    Put32(out, f.UncompressedSize);
    Put16(out, static_cast<uint32_t>(f.Name.size()));
    Put16(out, static_cast<uint32_t>(f.Extra.size()));
    PutText(out, f.Name);
    PutText(out, f.Extra);
    return out;
}

inline uint16_t Get16(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes.at(at) | bytes.at(at + 1) << 8);
}

inline uint32_t Get32(const std::vector<uint8_t>& bytes, size_t at) {
    return Get16(bytes, at) | static_cast<uint32_t>(Get16(bytes, at + 2)) << 16;
}

}  // namespace mobrel::test
