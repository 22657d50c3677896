// Hostile archives through the record readers: finding the end record and the ZIP64 end
// record its locator points at, reading central headers (also split over two disks at any
// point) and local headers with their ZIP64 sizes. Whatever the bytes, a failed read
// leaves the stream where it was, names keep their shape, a record that was read writes a
// header that reads back the same, and no 64-bit value taken from a field is implausible.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "format/end_central.h"
#include "format/zip64_end_records.h"
#include "format/zip64_field.h"
#include "format/zip_header_info.h"
#include "platform/code_page.h"
#include "platform/memory_stream.h"

namespace {

using mobrel::kLargestWideValue;
using mobrel::TMemoryStream;
using mobrel::TStream;
using mobrel::TZipHeaderInfo;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckShape(const TZipHeaderInfo& record) {
    Check(record.FileName().find('\\') == std::string::npos);
    Check(record.Directory().empty() || record.Directory().back() == '\\');
}

// Writing a record and reading the header back gives the same entry.
void CheckRoundTrip(const TZipHeaderInfo& read) {
    TZipHeaderInfo copy;
    copy.Assign(read);
    TMemoryStream out;
    copy.WriteCentral(out);
    out.Seek(0, mobrel::soBeginning);
    TZipHeaderInfo back;
    Check(back.ReadCentral(out));
    Check(back.FullName() == read.FullName());
    Check(back.CRC32 == read.CRC32 && back.CompressedSize == read.CompressedSize &&
          back.UncompressedSize == read.UncompressedSize && back.DosDateTime == read.DosDateTime &&
          back.LocalHeaderOffset == read.LocalHeaderOffset &&
          back.ExternalAttributes == read.ExternalAttributes);
    // The name's bytes and the extra field go back as they were read.
    Check(back.NameAsRead().Bytes == read.NameAsRead().Bytes);
    Check(back.CentralExtra == read.CentralExtra && back.FileCommentLength == 0);
}

template <typename TImage>
bool ReadImageAt(TStream& stream, int64_t position, TImage& image) {
    if (position < 0 || position > stream.Size() - static_cast<int64_t>(image.size())) {
        return false;
    }
    stream.Seek(position, mobrel::soBeginning);
    return stream.Read(image.data(), std::ssize(image)) == std::ssize(image);
}

// Follows the locator before the end record to a ZIP64 end record in the same bytes, as
// the reader does for a single file. A record that disagrees leaves every field as it was.
void TakeZip64End(TStream& stream, mobrel::TEndCentral& end) {
    mobrel::TZip64Locator::TImage locatorImage{};
    if (!ReadImageAt(stream, end.LocatorPosition(), locatorImage)) {
        return;
    }
    const auto locator = mobrel::TZip64Locator::FromImage(locatorImage);
    mobrel::TZip64End::TImage endImage{};
    if (!locator || locator->EndOffset > static_cast<uint64_t>(stream.Size()) ||
        !ReadImageAt(stream, static_cast<int64_t>(locator->EndOffset), endImage)) {
        return;
    }
    const auto wide = mobrel::TZip64End::FromImage(endImage);
    if (!wide) {
        return;
    }
    mobrel::TEndCentral before;
    before.Assign(end);
    if (end.TakeZip64(*wide)) {
        Check(end.CentralOffset <= kLargestWideValue && end.CentralSize <= kLargestWideValue &&
              end.TotalEntries <= kLargestWideValue && end.ThisDisk <= mobrel::kLargestDisk);
    } else {
        Check(end.TotalEntries == before.TotalEntries && end.CentralSize == before.CentralSize &&
              end.CentralOffset == before.CentralOffset && end.ThisDisk == before.ThisDisk &&
              end.CentralStartDisk == before.CentralStartDisk);
    }
}

void ReadDirectory(const std::vector<uint8_t>& bytes) {
    TMemoryStream stream(bytes);
    mobrel::TEndCentral end;
    if (!end.FindEndCentral(stream) || bytes.empty()) {
        return;
    }
    TakeZip64End(stream, end);
    if (end.CentralOffset > bytes.size()) {
        return;
    }
    stream.Seek(static_cast<int64_t>(end.CentralOffset), mobrel::soBeginning);
    for (uint64_t i = 0; i < end.TotalEntries; ++i) {
        const int64_t before = stream.Position();
        TZipHeaderInfo record;
        if (!record.ReadCentral(stream)) {
            Check(stream.Position() == before);
            break;
        }
        Check(stream.Position() > before);
        Check(record.CompressedSize <= kLargestWideValue &&
              record.UncompressedSize <= kLargestWideValue &&
              record.LocalHeaderOffset <= kLargestWideValue);
        CheckShape(record);
        CheckRoundTrip(record);
    }
}

// The same bytes as two disks cut at a point the input chooses.
void ReadAcrossDisks(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 2) {
        return;
    }
    const size_t cut = bytes[0] % bytes.size();
    TMemoryStream first(std::vector<uint8_t>(bytes.begin() + 1, bytes.begin() + 1 + cut));
    TMemoryStream second(std::vector<uint8_t>(bytes.begin() + 1 + cut, bytes.end()));
    TStream* stream = &first;
    int disks = 0;
    for (int i = 0; i < 64; ++i) {
        TZipHeaderInfo record;
        TStream* const before = stream;
        const int64_t position = stream->Position();
        if (!record.ReadCentral(stream,
                                [&]() -> TStream* { return disks++ == 0 ? &second : nullptr; })) {
            Check(stream != before || stream->Position() == position);
            break;
        }
        CheckShape(record);
    }
}

// Reads the local extra field the header declared and takes its ZIP64 sizes.
void TakeLocalSizes(TStream& stream, TZipHeaderInfo& record) {
    record.LocalExtra.resize(record.LocalExtraFieldLength);
    const int64_t got = stream.Read(record.LocalExtra.data(), std::ssize(record.LocalExtra));
    record.LocalExtra.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
    if (record.TakeLocalZip64()) {
        Check(record.CompressedSize <= kLargestWideValue &&
              record.UncompressedSize <= kLargestWideValue);
    }
}

void ReadLocalHeaders(const std::vector<uint8_t>& bytes) {
    TMemoryStream stream(bytes);
    const uint8_t signature[] = {'P', 'K', 3, 4};
    auto at = bytes.begin();
    while ((at = std::search(at, bytes.end(), signature, signature + 4)) != bytes.end()) {
        const int64_t position = at - bytes.begin();
        stream.Seek(position, mobrel::soBeginning);
        TZipHeaderInfo record;
        if (record.ReadLocal(stream)) {
            Check(static_cast<int64_t>(record.LocalHeaderOffset) == position);
            Check(stream.Position() == position + 30 + record.FileNameLength);
            CheckShape(record);
            TakeLocalSizes(stream, record);
        } else {
            Check(stream.Position() == position);
        }
        ++at;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    ReadDirectory(bytes);
    ReadAcrossDisks(bytes);
    ReadLocalHeaders(bytes);
    return 0;
}
