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

void Put64(Bytes& out, uint64_t value) {
    Put32(out, static_cast<uint32_t>(value));
    Put32(out, static_cast<uint32_t>(value >> 32));
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

// A ZIP64 extra field with the given values, in the order they are stored.
std::string Zip64Field(const std::vector<uint64_t>& values) {
    Bytes data;
    for (const uint64_t value : values) {
        Put64(data, value);
    }
    return ExtraRecord(0x0001, std::string(data.begin(), data.end()));
}

// One stored entry whose headers saturate their sizes (and, with offset, the central
// header's local offset too) and hold field in both extra areas.
Bytes SaturatedEntry(const std::string& field, bool offset = false) {
    Bytes archive = Archive({WithExtra(BuiltEntry("wide.txt", "wide entry data"), field)});
    PatchEntry(archive, 0, {.CompressedSize = 0xFFFFFFFF, .UncompressedSize = 0xFFFFFFFF});
    return offset ? WithLocalOffset(archive, 0xFFFFFFFF) : archive;
}

// A streamed entry: the local header's sizes are in a ZIP64 field of zeros and follow the
// data in a descriptor with 8-byte sizes, which here claim 1 TiB; the central header has
// the true sizes.
Bytes DescriptorDisagreeing() {
    BuiltEntry entry("streamed.txt", "streamed entry data");
    entry.Flags = 8;
    entry.LocalExtra = Zip64Field({0, 0});
    Bytes out = LocalRecord(entry);
    Set32(out, 18, 0xFFFFFFFF);
    Set32(out, 22, 0xFFFFFFFF);
    Put32(out, 0x08074B50);
    Put32(out, Crc32Of(entry.Data));
    Put64(out, uint64_t{1} << 40);
    Put64(out, uint64_t{1} << 40);
    const auto centralOffset = static_cast<uint32_t>(out.size());
    entry.LocalExtra.clear();
    const Bytes central = CentralRecord(entry, 0);
    Append(out, central);
    Append(out, ZipBuilder::EndRecord(0, 0, 1, static_cast<uint32_t>(central.size()), centralOffset,
                                      ""));
    return out;
}

constexpr uint64_t kTiB = uint64_t{1} << 40;
constexpr uint64_t kLargestWide = uint64_t{1} << 62;

// ZIP64 fields in the entry headers that claim more than the file holds or less than the
// saturated fields need.
std::vector<HostileArchive> Zip64Fields() {
    return {
        {"zip64-field-sizes-1tib", SaturatedEntry(Zip64Field({kTiB, kTiB}))},
        {"zip64-field-offset-1tib", SaturatedEntry(Zip64Field({15, 15, kTiB}), true)},
        {"zip64-field-one-of-three-values", SaturatedEntry(Zip64Field({15}), true)},
        {"zip64-field-offset-plus-size-wraps",
         SaturatedEntry(Zip64Field({kLargestWide, kLargestWide, kLargestWide}), true)},
        {"zip64-field-sizes-past-2-62", SaturatedEntry(Zip64Field({~uint64_t{0}, ~uint64_t{0}}))},
        {"zip64-descriptor-disagrees", DescriptorDisagreeing()},
    };
}

// Locators that point anywhere but at a ZIP64 end record.
std::vector<HostileArchive> Zip64Locators() {
    const Bytes one = OneEntry();
    const uint64_t size = one.size();
    const uint64_t locator = EndRecordAt(one) + 56;  // where it lands in the new tail
    return {
        {"zip64-locator-past-file", WithZip64Tail(one, {.LocatorOffset = size + 1000})},
        {"zip64-locator-negative", WithZip64Tail(one, {.LocatorOffset = ~uint64_t{0} - 15})},
        {"zip64-locator-at-itself", WithZip64Tail(one, {.LocatorOffset = locator})},
        {"zip64-locator-at-classic-record", WithZip64Tail(one, {.LocatorOffset = locator + 20})},
        {"zip64-locator-at-local-header", WithZip64Tail(one, {.LocatorOffset = 0})},
        {"zip64-locator-disk-past-set", WithZip64Tail(one, {.LocatorDisk = 0xFFFFFFFF})},
        {"zip64-locator-4g-disks", WithZip64Tail(one, {.TotalDisks = 0xFFFFFFFF})},
    };
}

// ZIP64 end records whose counts, disks, size or offset no file can hold.
std::vector<HostileArchive> Zip64Ends() {
    const Bytes one = OneEntry();
    return {
        {"zip64-end-count-2-63", WithZip64Tail(one, {.Entries = uint64_t{1} << 63})},
        {"zip64-end-central-past-file",
         WithZip64Tail(one, {.CentralSize = kTiB, .CentralOffset = kTiB})},
        {"zip64-end-central-negative",
         WithZip64Tail(
             one, {.CentralSize = uint64_t{1} << 63, .CentralOffset = (uint64_t{1} << 63) + 5})},
        {"zip64-end-disk-2-31",
         WithZip64Tail(one, {.ThisDisk = 0x7FFFFFFF, .CentralDisk = 0x7FFFFFFF})},
        {"zip64-end-central-disk-after-last", WithZip64Tail(one, {.CentralDisk = 7})},
        {"zip64-end-disk-largest",
         WithZip64Tail(one, {.ThisDisk = 0x7FFFFFFE, .CentralDisk = 0x7FFFFFFE})},
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

Bytes WithZip64Tail(Bytes archive, const Zip64Tail& tail) {
    const size_t end = EndRecordAt(archive);
    const uint32_t centralOffset = CentralOffsetOf(archive);
    const uint16_t entries = static_cast<uint16_t>(archive[end + 10] | (archive[end + 11] << 8));
    Bytes zip64;
    Put32(zip64, 0x06064B50);
    Put64(zip64, 44);  // the record's size after this field
    Put16(zip64, 45);
    Put16(zip64, 45);
    Put32(zip64, tail.ThisDisk);
    Put32(zip64, tail.CentralDisk);
    Put64(zip64, tail.Entries.value_or(entries));  // on this disk, then in all
    Put64(zip64, tail.Entries.value_or(entries));
    Put64(zip64, tail.CentralSize.value_or(end - centralOffset));
    Put64(zip64, tail.CentralOffset.value_or(centralOffset));
    Put32(zip64, 0x07064B50);
    Put32(zip64, tail.LocatorDisk);
    Put64(zip64, tail.LocatorOffset.value_or(end));
    Put32(zip64, tail.TotalDisks);
    archive.resize(end);
    Append(archive, zip64);
    Append(archive, ZipBuilder::EndRecord(0xFFFF, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, ""));
    return archive;
}

Bytes Zip64EndRecords() {
    return WithZip64Tail(OneEntry());
}

std::vector<HostileArchive> HostileArchives(const fs::path& outsideProbe) {
    std::vector<HostileArchive> all = OverlapsAndSizes();
    for (auto&& group : {Names(), EndRecordsAndDirectories(), Traversals(outsideProbe),
                         ExtraFieldAttacks(), Zip64Fields(), Zip64Locators(), Zip64Ends()}) {
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
