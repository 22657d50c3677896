#include "format/sorted_zip.h"

#include <algorithm>
#include <string_view>

#include "format/compression_rate.h"
#include "format/entry_details.h"
#include "platform/file_mode_text.h"

namespace mobrel {

namespace {

// Folds the ASCII letters only; every other byte compares by its value.
int FoldAscii(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'a' && byte <= 'z' ? byte - ('a' - 'A') : byte;
}

int CompareText(std::string_view a, std::string_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const int difference = FoldAscii(a[i]) - FoldAscii(b[i]);
        if (difference != 0) {
            return difference;
        }
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// Larger values first; equal ones count as "before", so insertion keeps their order.
template <class V>
int LargerFirst(V value1, V value2) {
    return value2 > value1 ? 1 : -1;
}

int CompareByArchiveOrder(const TZipHeaderInfo& item1, const TZipHeaderInfo& item2) {
    if (item1.DiskNumberStart != item2.DiskNumberStart) {
        return item1.DiskNumberStart < item2.DiskNumberStart ? -1 : 1;
    }
    if (item1.LocalHeaderOffset != item2.LocalHeaderOffset) {
        return item1.LocalHeaderOffset < item2.LocalHeaderOffset ? -1 : 1;
    }
    return 0;
}

int RateOf(const TZipHeaderInfo& item) {
    return CompressionRate(static_cast<int64_t>(item.UncompressedSize),
                           static_cast<int64_t>(item.CompressedSize));
}

}  // namespace

TDateTime TSortedZip::DateOf(const TZipHeaderInfo& item) const {
    if (const std::optional<TDateTime> exact = item.ExactModificationTime()) {
        return *exact;
    }
    const uint32_t dosDateTime = item.DosDateTime;
    const auto known = dates_.find(dosDateTime);
    if (known != dates_.end()) {
        return known->second;
    }
    // A value that is no date at all sorts as the oldest.
    const TDateTime date = DosDateTimeToDateTime(dosDateTime).value_or(0);
    dates_.emplace(dosDateTime, date);
    return date;
}

int TSortedZip::Compare(const TZipHeaderInfo* item1, const TZipHeaderInfo* item2) const {
    switch (sortMode_) {
        case ByName:
            return CompareText(item1->FullName(), item2->FullName());
        case ByFileName:
            return CompareText(item1->FileName(), item2->FileName());
        case ByDirectoryName:
            return CompareText(item1->Directory(), item2->Directory());
        case ByDate:
            return LargerFirst(DateOf(*item1), DateOf(*item2));
        case ByCompressedSize:
            return LargerFirst(item1->CompressedSize, item2->CompressedSize);
        case ByUnCompressedSize:
            return LargerFirst(item1->UncompressedSize, item2->UncompressedSize);
        case ByRate:
            return RateOf(*item2) - RateOf(*item1);
        case ByPermissions:
            return CompareText(FileModeText(EntryFileMode(*item1)),
                               FileModeText(EntryFileMode(*item2)));
        case ByMethod:
            return CompareText(EntryMethodName(*item1), EntryMethodName(*item2));
        case ByEncryption:
            return CompareText(EntryEncryptionName(*item1), EntryEncryptionName(*item2));
        case ByNone:
            break;
    }
    return CompareByArchiveOrder(*item1, *item2);
}

}  // namespace mobrel
