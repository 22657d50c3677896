#pragma once
// Builds small archives byte by byte for the cases no tool writes on purpose: declared
// extra fields that are missing, two entries at one offset, junk in front, sets whose
// central directory starts on an earlier disk.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace mobrel::test {

using Bytes = std::vector<uint8_t>;

struct BuiltEntry {
    BuiltEntry(std::string name, std::string data, uint32_t dosDateTime = 0x58AF6457,
               std::string comment = "")
        : Name(std::move(name)),
          Data(std::move(data)),
          DosDateTime(dosDateTime),
          Comment(std::move(comment)) {}

    std::string Name;                   // '/' separated, as stored
    std::string Data;                   // stored (method 0)
    uint32_t DosDateTime = 0x58AF6457;  // 2024-05-15 12:34:46
    std::string Comment;
    uint16_t DeclaredExtraLength = 0;  // central extra length claimed but not written
    uint16_t Flags = 0;
    uint16_t VersionMadeBy = 0x0314;  // Unix host: names kept byte for byte
    std::string LocalExtra;           // written after the name in the local header
    std::string CentralExtra;         // written after the name in the central header
};

class ZipBuilder {
  public:
    void Add(BuiltEntry entry) { entries_.push_back(std::move(entry)); }
    std::string ArchiveComment;
    // Gives entry index the local header offset of entry other (a duplicate position).
    int DuplicateOffsetOf = -1;

    // Local headers with their data, in order.
    Bytes LocalPart(std::vector<uint32_t>& offsets) const;
    // Central headers for the given local offsets (all on disk 0).
    Bytes CentralPart(const std::vector<uint32_t>& offsets) const;
    // An end record.
    static Bytes EndRecord(uint16_t thisDisk, uint16_t centralStartDisk, uint16_t entries,
                           uint32_t centralSize, uint32_t centralOffset,
                           const std::string& comment);
    // A whole single-file archive.
    Bytes Build() const;

    size_t Count() const { return entries_.size(); }

  private:
    std::vector<BuiltEntry> entries_;
};

inline void Put16(Bytes& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void Put32(Bytes& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v));
    Put16(out, static_cast<uint16_t>(v >> 16));
}

inline void PutText(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

uint32_t Crc32Of(const std::string& data);

inline Bytes ZipBuilder::LocalPart(std::vector<uint32_t>& offsets) const {
    Bytes out;
    offsets.clear();
    for (const BuiltEntry& e : entries_) {
        offsets.push_back(static_cast<uint32_t>(out.size()));
        Put32(out, 0x04034B50);
        Put16(out, 10);
        Put16(out, e.Flags);
        Put16(out, 0);
        Put32(out, e.DosDateTime);
        Put32(out, Crc32Of(e.Data));
        Put32(out, static_cast<uint32_t>(e.Data.size()));
        Put32(out, static_cast<uint32_t>(e.Data.size()));
        Put16(out, static_cast<uint16_t>(e.Name.size()));
        Put16(out, static_cast<uint16_t>(e.LocalExtra.size()));
        PutText(out, e.Name);
        PutText(out, e.LocalExtra);
        PutText(out, e.Data);
    }
    return out;
}

inline Bytes ZipBuilder::CentralPart(const std::vector<uint32_t>& offsets) const {
    Bytes out;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const BuiltEntry& e = entries_[i];
        uint32_t offset = offsets[i];
        if (DuplicateOffsetOf >= 0 && i == entries_.size() - 1) {
            offset = offsets[static_cast<size_t>(DuplicateOffsetOf)];
        }
        Put32(out, 0x02014B50);
        Put16(out, e.VersionMadeBy);
        Put16(out, 10);
        Put16(out, e.Flags);
        Put16(out, 0);
        Put32(out, e.DosDateTime);
        Put32(out, Crc32Of(e.Data));
        Put32(out, static_cast<uint32_t>(e.Data.size()));
        Put32(out, static_cast<uint32_t>(e.Data.size()));
        Put16(out, static_cast<uint16_t>(e.Name.size()));
        Put16(out, static_cast<uint16_t>(e.DeclaredExtraLength + e.CentralExtra.size()));
        Put16(out, static_cast<uint16_t>(e.Comment.size()));
        Put16(out, 0);
        Put16(out, 0);
        Put32(out, 0x81A40000);
        Put32(out, offset);
        PutText(out, e.Name);
        PutText(out, e.CentralExtra);
        PutText(out, e.Comment);
    }
    return out;
}

inline Bytes ZipBuilder::EndRecord(uint16_t thisDisk, uint16_t centralStartDisk, uint16_t entries,
                                   uint32_t centralSize, uint32_t centralOffset,
                                   const std::string& comment) {
    Bytes out;
    Put32(out, 0x06054B50);
    Put16(out, thisDisk);
    Put16(out, centralStartDisk);
    Put16(out, entries);
    Put16(out, entries);
    Put32(out, centralSize);
    Put32(out, centralOffset);
    Put16(out, static_cast<uint16_t>(comment.size()));
    PutText(out, comment);
    return out;
}

inline Bytes ZipBuilder::Build() const {
    std::vector<uint32_t> offsets;
    Bytes out = LocalPart(offsets);
    const Bytes central = CentralPart(offsets);
    const uint32_t centralOffset = static_cast<uint32_t>(out.size());
    out.insert(out.end(), central.begin(), central.end());
    const Bytes end =
        EndRecord(0, 0, static_cast<uint16_t>(entries_.size()),
                  static_cast<uint32_t>(central.size()), centralOffset, ArchiveComment);
    out.insert(out.end(), end.begin(), end.end());
    return out;
}

}  // namespace mobrel::test
