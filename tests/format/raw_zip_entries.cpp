#include "raw_zip_entries.h"

#include <stdexcept>

#include "test_support.h"

namespace mobrel::test {

namespace {

uint16_t Get16(const std::vector<uint8_t>& b, size_t at) {
    if (at + 2 > b.size()) {
        throw std::runtime_error("zip structure runs past the end");
    }
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return Get16(b, at) | (static_cast<uint32_t>(Get16(b, at + 2)) << 16);
}

size_t FindEndRecord(const std::vector<uint8_t>& b) {
    for (size_t at = b.size() >= 22 ? b.size() - 22 : 0;; --at) {
        if (Get32(b, at) == 0x06054b50) {
            return at;
        }
        if (at == 0) {
            throw std::runtime_error("no end record");
        }
    }
}

}  // namespace

RawZipArchive ReadRawZip(const std::filesystem::path& file) {
    RawZipArchive archive;
    archive.Bytes = ReadFileBytes(file);
    const auto& b = archive.Bytes;
    const size_t end = FindEndRecord(b);
    const unsigned count = Get16(b, end + 10);
    size_t at = Get32(b, end + 16);
    for (unsigned i = 0; i < count; ++i) {
        if (Get32(b, at) != 0x02014b50) {
            throw std::runtime_error("bad central header");
        }
        RawZipEntry entry;
        entry.VersionMadeBy = Get16(b, at + 4);
        entry.Flags = Get16(b, at + 8);
        entry.Method = Get16(b, at + 10);
        entry.DosTime = Get16(b, at + 12);
        entry.Crc = Get32(b, at + 16);
        entry.CompressedSize = Get32(b, at + 20);
        entry.UncompressedSize = Get32(b, at + 24);
        const unsigned nameLength = Get16(b, at + 28);
        const unsigned extraLength = Get16(b, at + 30);
        const unsigned commentLength = Get16(b, at + 32);
        entry.ExternalAttributes = Get32(b, at + 38);
        entry.LocalHeaderOffset = Get32(b, at + 42);
        const size_t local = entry.LocalHeaderOffset;
        entry.Name.assign(b.begin() + static_cast<long>(at + 46),
                          b.begin() + static_cast<long>(at + 46 + nameLength));
        if (Get32(b, local) != 0x04034b50) {
            throw std::runtime_error("bad local header");
        }
        const size_t centralExtra = at + 46 + nameLength;
        const size_t localExtra = local + 30 + Get16(b, local + 26);
        if (centralExtra + extraLength > b.size() || localExtra + Get16(b, local + 28) > b.size()) {
            throw std::runtime_error("extra field runs past the end");
        }
        entry.CentralExtra.assign(b.begin() + static_cast<long>(centralExtra),
                                  b.begin() + static_cast<long>(centralExtra + extraLength));
        entry.LocalExtra.assign(b.begin() + static_cast<long>(localExtra),
                                b.begin() + static_cast<long>(localExtra + Get16(b, local + 28)));
        entry.DataOffset = localExtra + Get16(b, local + 28);
        if (entry.DataOffset + entry.CompressedSize > b.size()) {
            throw std::runtime_error("entry data runs past the end");
        }
        archive.Entries.push_back(entry);
        at += 46 + nameLength + extraLength + commentLength;
    }
    return archive;
}

}  // namespace mobrel::test
