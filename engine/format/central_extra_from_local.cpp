#include "format/central_extra_from_local.h"

#include <cstdint>

#include "format/extra_field.h"

namespace mobrel {

namespace {

constexpr uint8_t kModificationTimePresent = 0x01;
constexpr size_t kFlagsAndModificationTime = 5;

// The central extended timestamp keeps the local flags (which may name times it doesn't
// hold) and only the modification time, the first time when the flags give one.
std::string CentralTimestamp(std::string_view local) {
    if (local.empty()) {
        return {};
    }
    const bool hasModification = (static_cast<uint8_t>(local[0]) & kModificationTimePresent) != 0;
    const size_t keep = hasModification && local.size() >= kFlagsAndModificationTime
                            ? kFlagsAndModificationTime
                            : 1;
    return MakeExtraField(kExtraExtendedTimestamp, local.substr(0, keep));
}

}  // namespace

std::string CentralExtraFromLocal(std::string_view localArea) {
    std::string central;
    for (const TExtraField& field : SplitExtraFields(localArea)) {
        switch (field.Tag) {
            case kExtraExtendedTimestamp:
                central += CentralTimestamp(field.Data);
                break;
            case kExtraNtfs:
            case kExtraUnicodePath:
                central += MakeExtraField(field.Tag, field.Data);
                break;
            default:
                break;
        }
    }
    return central;
}

}  // namespace mobrel
