#include "format/local_extents.h"

#include <iterator>
#include <limits>

#include "format/zip_format.h"
#include "format/zip_header_info.h"

namespace mobrel {

bool TLocalExtents::Claim(const TZipHeaderInfo& entry) {
    const TStart start{entry.DiskNumberStart, entry.LocalHeaderOffset};
    const uint64_t headerEnd = entry.LocalHeaderOffset + kLocalHeaderSize + entry.FileNameLength;
    if (headerEnd < entry.LocalHeaderOffset ||
        entry.CompressedSize > std::numeric_limits<uint64_t>::max() - headerEnd) {
        return false;
    }
    const uint64_t end = headerEnd + entry.CompressedSize;
    const auto next = ends_.lower_bound(start);
    if (next != ends_.end() && next->first.first == start.first && next->first.second < end) {
        return false;
    }
    if (next != ends_.begin()) {
        const auto previous = std::prev(next);
        if (previous->first.first == start.first && previous->second > start.second) {
            return false;
        }
    }
    ends_.emplace(start, end);
    return true;
}

}  // namespace mobrel
