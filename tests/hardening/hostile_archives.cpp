#include "hardening/hostile_archives.h"

#include <algorithm>

#include "codecs/deflate_test_support.h"
#include "format/patched_archive.h"

namespace mobrel::test {

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kUnixRegularFile = 0x81A40000;  // -rw-r--r--
constexpr uint32_t kUnixSymlink = 0xA1FF0000;      // lrwxrwxrwx

void Append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

void Set32(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.at(at + static_cast<size_t>(i)) = static_cast<uint8_t>(value >> (8 * i));
    }
}

void Set16(Bytes& bytes, size_t at, uint16_t value) {
    bytes.at(at) = static_cast<uint8_t>(value);
    bytes.at(at + 1) = static_cast<uint8_t>(value >> 8);
}

// Local records in order, their central headers and an end record.
Bytes Archive(const std::vector<BuiltEntry>& entries, std::vector<uint32_t> attributes = {}) {
    Bytes out;
    std::vector<uint32_t> offsets;
    for (const BuiltEntry& entry : entries) {
        offsets.push_back(static_cast<uint32_t>(out.size()));
        Append(out, LocalRecord(entry));
    }
    Bytes central;
    for (size_t i = 0; i < entries.size(); ++i) {
        Bytes header = CentralRecord(entries[i], offsets[i]);
        if (i < attributes.size()) {
            Set32(header, 38, attributes[i]);
        }
        Append(central, header);
    }
    const auto centralOffset = static_cast<uint32_t>(out.size());
    Append(out, central);
    Append(out, ZipBuilder::EndRecord(0, 0, static_cast<uint16_t>(entries.size()),
                                      static_cast<uint32_t>(central.size()), centralOffset, ""));
    return out;
}

Bytes OneEntry() {
    return Archive({BuiltEntry("one.txt", "the only entry")});
}

// The end record of an archive without comment: its last 22 bytes.
size_t EndRecordAt(const Bytes& archive) {
    return archive.size() - 22;
}

Bytes WithEndField(Bytes archive, size_t field, uint32_t value, int width) {
    const size_t at = EndRecordAt(archive) + field;
    width == 2 ? Set16(archive, at, static_cast<uint16_t>(value)) : Set32(archive, at, value);
    return archive;
}

uint32_t CentralOffsetOf(const Bytes& archive) {
    const size_t at = EndRecordAt(archive) + 16;
    return archive[at] | (archive[at + 1] << 8) | (archive[at + 2] << 16) |
           (static_cast<uint32_t>(archive[at + 3]) << 24);
}

Bytes WithLocalOffset(Bytes archive, uint32_t offset) {
    Set32(archive, CentralOffsetOf(archive) + 42, offset);
    return archive;
}

Bytes WithLocalLengths(Bytes archive, uint16_t nameLength, uint16_t extraLength) {
    Set16(archive, 26, nameLength);
    Set16(archive, 28, extraLength);
    return archive;
}

Bytes Patched(Bytes archive, const EntryPatch& patch) {
    PatchEntry(archive, 0, patch);
    return archive;
}

std::string Repeated(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

std::vector<HostileArchive> OverlapsAndSizes() {
    return {
        {"same-offset-overlap", SameOffsetOverlap(200)},
        {"quoted-overlap", QuotedOverlap(30, 8192)},
        {"stored-5-bytes-declared-3gib",
         Patched(Archive({BuiltEntry("claims.txt", "12345")}), {.UncompressedSize = 3u << 30})},
        {"deflated-16mib-declared-1mib", DeflatedZeros("zeros.bin", 16u << 20, 1u << 20)},
        {"deflated-64kib-declared-3gib", DeflatedZeros("zeros.bin", 64u << 10, 3u << 30)},
        {"unknown-method-99", Patched(OneEntry(), {.Method = 99})},
        {"encrypted-shorter-than-its-header",
         Patched(Archive({BuiltEntry("short.bin", "12345")}), {.Flags = 1})},
        {"data-descriptor-zero-sizes",
         Patched(OneEntry(), {.Flags = 8, .CompressedSize = 0, .UncompressedSize = 0})},
    };
}

std::vector<HostileArchive> Names() {
    BuiltEntry flaggedUtf8("bad\xff\xfe\xc0\xaf.txt", "overlong slash");
    flaggedUtf8.Flags = 0x800;
    return {
        {"deep-200-folders", Archive({BuiltEntry(Repeated("d/", 200) + "deep.txt", "deep")})},
        {"deep-3000-folders", Archive({BuiltEntry(Repeated("d/", 3000) + "x.txt", "x")})},
        {"component-300-bytes", Archive({BuiltEntry(std::string(300, 'n') + ".txt", "n")})},
        {"name-62757-bytes",
         Archive({BuiltEntry(Repeated(std::string(250, 'f') + "/", 250) + "end.txt", "e")})},
        {"control-characters", Archive({BuiltEntry("ctl\x01\x1b[31m\x7f.txt", "c")})},
        {"nul-byte", Archive({BuiltEntry(std::string("nul\0hidden.txt", 14), "0")})},
        {"invalid-utf8-flagged", Archive({flaggedUtf8})},
        {"invalid-utf8-cp437", Archive({BuiltEntry("bad\xff\xfe\xc0\xaf.txt", "cp437")})},
    };
}

std::vector<HostileArchive> EndRecordsAndDirectories() {
    const Bytes one = OneEntry();
    const auto size = static_cast<uint32_t>(one.size());
    const uint32_t central = CentralOffsetOf(one);
    Bytes endOnly = ZipBuilder::EndRecord(0, 0, 3, 138, 5000, "");
    return {
        {"end-offset-beyond-file", WithEndField(one, 16, size + 1000, 4)},
        {"end-only-offset-beyond-file", endOnly},
        {"end-count-65535", WithEndField(WithEndField(one, 8, 65535, 2), 10, 65535, 2)},
        {"end-offset-wraps", WithEndField(WithEndField(one, 16, 0xFFFFFFF0, 4), 12, 0x40, 4)},
        {"end-comment-beyond-file", WithEndField(one, 20, 1000, 2)},
        {"end-this-disk-5", WithEndField(WithEndField(one, 4, 5, 2), 6, 5, 2)},
        {"end-central-on-disk-9", WithEndField(WithEndField(one, 4, 2, 2), 6, 9, 2)},
        {"central-at-end-record", WithEndField(one, 16, size - 22, 4)},
        {"central-at-local-headers", WithEndField(one, 16, 0, 4)},
        {"central-into-itself", WithEndField(one, 16, central + 10, 4)},
        {"local-offset-beyond-file", WithLocalOffset(one, 0x7FFFFFF0)},
        {"local-offset-at-central", WithLocalOffset(one, central)},
        {"local-offset-at-end-record", WithLocalOffset(one, size - 22)},
        {"local-lengths-beyond-file", WithLocalLengths(one, 0xFFFF, 0xFFFF)},
        {"zip64-end-records", Zip64EndRecords()},
        {"zip64-saturated-sizes",
         Patched(OneEntry(), {.CompressedSize = 0xFFFFFFFF, .UncompressedSize = 0xFFFFFFFF})},
    };
}

std::string ExtraRecord(uint16_t tag, const std::string& data, int declaredLength = -1) {
    Bytes header;
    Put16(header, tag);
    Put16(header, static_cast<uint16_t>(declaredLength < 0 ? data.size() : declaredLength));
    return std::string(header.begin(), header.end()) + data;
}

std::string UnicodePathRecord(const std::string& name, uint32_t crc) {
    Bytes crcBytes;
    Put32(crcBytes, crc);
    return ExtraRecord(0x7075, "\x01" + std::string(crcBytes.begin(), crcBytes.end()) + name);
}

BuiltEntry WithExtra(BuiltEntry entry, const std::string& extra) {
    entry.LocalExtra = extra;
    entry.CentralExtra = extra;
    return entry;
}

// Extra fields whose lengths, checksums and flags lie, or whose names try to leave.
std::vector<HostileArchive> ExtraFieldAttacks() {
    const BuiltEntry plain("plain.txt", "plain");
    const std::string timestamp = ExtraRecord(0x5455, "\x01\x10\x20\x30\x40");
    const std::string stored = "renamed.txt";
    return {
        {"extra-record-past-its-area",
         Archive({WithExtra(plain, timestamp + ExtraRecord(0x7075, "\x01", 0xFFF0))})},
        {"extra-unicode-path-stale-crc",
         Archive({WithExtra(BuiltEntry(stored, "stale"),
                            UnicodePathRecord("../../stale-escape.txt", 12345))})},
        {"extra-unicode-path-traversal",
         Archive({WithExtra(BuiltEntry(stored, "escape"),
                            UnicodePathRecord("../../../up-unicode.txt", Crc32Of(stored)))})},
        {"extra-unicode-path-invalid-utf8",
         Archive({WithExtra(BuiltEntry(stored, "invalid"),
                            UnicodePathRecord("bad\xff\xfe.txt", Crc32Of(stored)))})},
        {"extra-timestamp-without-flags",
         Archive({WithExtra(plain, ExtraRecord(0x5455, std::string("\0\x10\x20\x30\x40", 5)))})},
        {"extra-timestamp-short", Archive({WithExtra(plain, ExtraRecord(0x5455, "\x01\x10"))})},
        {"extra-timestamp-extremes",
         Archive({WithExtra(BuiltEntry("past.txt", "p"), ExtraRecord(0x5455, "\x01\0\0\0\x80")),
                  WithExtra(BuiltEntry("future.txt", "f"),
                            ExtraRecord(0x5455, "\x01\xff\xff\xff\x7f"))})},
        {"extra-ntfs-attribute-past-its-field",
         Archive(
             {WithExtra(plain, ExtraRecord(0x000A, std::string("\0\0\0\0\x01\0\xff\xff", 8)))})},
        {"extra-64k-of-fields",
         Archive({WithExtra(plain, Repeated(ExtraRecord(0xCAFE, std::string(96, 'e')), 650))})},
    };
}

std::vector<HostileArchive> Traversals(const fs::path& outsideProbe) {
    const char* const forms[] = {
        "../up1.txt",
        "../../up2.txt",
        "a/../../up3.txt",
        "./../up4.txt",
        "a/b/../../../../up5.txt",
        "..\\back1.txt",
        "..\\..\\back2.txt",
        "a\\..\\..\\back3.txt",
        "/abs1.txt",
        "//server/share/abs2.txt",
        "\\abs3.txt",
        "C:\\drive1.txt",
        "C:drive2.txt",
        "C:/../drive3.txt",
        "\\\\?\\C:\\unc.txt",
        "....//dots.txt",
        "..",
        "../",
        ".../three.txt",
        "%2e%2e/encoded.txt",
        "../../../../../../../../tmp/up6.txt",
    };
    std::vector<BuiltEntry> entries;
    for (const char* name : forms) {
        entries.emplace_back(name, std::string("from ") + name);
    }
    entries.emplace_back((outsideProbe / "absolute.txt").string(), "absolute");
    entries.emplace_back((outsideProbe / "../probe-sibling.txt").string(), "absolute dotdot");
    const std::string link = "link";
    return {
        {"traversal-forms", Archive(entries)},
        {"traversal-directory-entries",
         Archive({BuiltEntry("../", ""), BuiltEntry("../../updir/", ""),
                  BuiltEntry((outsideProbe / "absdir/").string(), "")})},
        {"symlink-then-file-through-it",
         Archive({BuiltEntry(link, outsideProbe.string()),
                  BuiltEntry(link + "/escaped.txt", "through the link")},
                 {kUnixSymlink, kUnixRegularFile})},
    };
}

}  // namespace

Bytes LocalRecord(const BuiltEntry& entry) {
    ZipBuilder builder;
    builder.Add(entry);
    std::vector<uint32_t> offsets;
    return builder.LocalPart(offsets);
}

Bytes CentralRecord(const BuiltEntry& entry, uint32_t localOffset) {
    ZipBuilder builder;
    builder.Add(entry);
    return builder.CentralPart({localOffset});
}

Bytes SameOffsetOverlap(int entries) {
    const std::string data(4096, 'k');
    Bytes out = LocalRecord(BuiltEntry("kernel.txt", data));
    const auto centralOffset = static_cast<uint32_t>(out.size());
    Bytes central;
    for (int i = 0; i < entries; ++i) {
        Append(central, CentralRecord(BuiltEntry("f" + std::to_string(i) + ".txt", data), 0));
    }
    Append(out, central);
    Append(out, ZipBuilder::EndRecord(0, 0, static_cast<uint16_t>(entries),
                                      static_cast<uint32_t>(central.size()), centralOffset, ""));
    return out;
}

Bytes QuotedOverlap(int entries, size_t kernelSize) {
    std::vector<BuiltEntry> records;
    std::string data(kernelSize, 'Z');
    for (int i = entries - 1; i >= 0; --i) {
        records.emplace(records.begin(), "q" + std::to_string(i) + ".txt", data);
        const Bytes quoted = LocalRecord(records.front());
        data.assign(quoted.begin(), quoted.end());
    }
    Bytes out(data.begin(), data.end());  // the first record holds all the others
    const auto centralOffset = static_cast<uint32_t>(out.size());
    Bytes central;
    uint32_t offset = 0;
    for (const BuiltEntry& record : records) {
        Append(central, CentralRecord(record, offset));
        offset += static_cast<uint32_t>(30 + record.Name.size());
    }
    Append(out, central);
    Append(out, ZipBuilder::EndRecord(0, 0, static_cast<uint16_t>(entries),
                                      static_cast<uint32_t>(central.size()), centralOffset, ""));
    return out;
}

Bytes DeflatedZeros(const std::string& name, size_t plainSize, uint32_t declaredSize) {
    const Bytes zeros(plainSize, 0);
    const Compressed compressed = Compress(zeros, 9);
    Bytes archive = Archive(
        {BuiltEntry(name, std::string(compressed.Stream.begin(), compressed.Stream.end()))});
    PatchEntry(archive, 0,
               {.Method = 8,
                .Crc = Crc32Of(std::string(plainSize, '\0')),
                .UncompressedSize = declaredSize});
    return archive;
}

Bytes Zip64EndRecords() {
    Bytes archive = OneEntry();
    const size_t end = EndRecordAt(archive);
    const uint32_t centralOffset = CentralOffsetOf(archive);
    const uint32_t centralSize = static_cast<uint32_t>(end - centralOffset);
    Bytes zip64;
    Put32(zip64, 0x06064B50);
    Put32(zip64, 44);  // the record's size after this field
    Put32(zip64, 0);
    Put16(zip64, 45);
    Put16(zip64, 45);
    Put32(zip64, 0);  // this disk
    Put32(zip64, 0);  // central directory's disk
    for (int i = 0; i < 2; ++i) {
        Put32(zip64, 1);  // entries on this disk, then in all (64 bits each)
        Put32(zip64, 0);
    }
    Put32(zip64, centralSize);
    Put32(zip64, 0);
    Put32(zip64, centralOffset);
    Put32(zip64, 0);
    Put32(zip64, 0x07064B50);
    Put32(zip64, 0);
    Put32(zip64, static_cast<uint32_t>(end));  // where the zip64 end record starts
    Put32(zip64, 0);
    Put32(zip64, 1);
    Bytes classic = ZipBuilder::EndRecord(0xFFFF, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, "");
    archive.resize(end);
    Append(archive, zip64);
    Append(archive, classic);
    return archive;
}

std::vector<HostileArchive> HostileArchives(const fs::path& outsideProbe) {
    std::vector<HostileArchive> all = OverlapsAndSizes();
    for (auto&& group :
         {Names(), EndRecordsAndDirectories(), Traversals(outsideProbe), ExtraFieldAttacks()}) {
        all.insert(all.end(), group.begin(), group.end());
    }
    return all;
}

std::vector<fs::path> PathsOutside(const fs::path& root, const fs::path& allowed) {
    std::vector<fs::path> outside;
    const std::string allowedText = allowed.lexically_normal().string();
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const std::string path = it->path().lexically_normal().string();
        const bool inside = path == allowedText || path.rfind(allowedText + "/", 0) == 0;
        const bool onTheWay = allowedText.rfind(path + "/", 0) == 0;
        if (!inside && !onTheWay) {
            outside.push_back(it->path());
        }
        if (it->is_symlink()) {
            it.disable_recursion_pending();
        }
    }
    return outside;
}

}  // namespace mobrel::test
