#include "format/extra_field.h"

#include <algorithm>

#include "platform/byte_order.h"

namespace mobrel {

namespace {

uint16_t LoadAt(std::string_view area, size_t offset) {
    return LoadU16(reinterpret_cast<const uint8_t*>(area.data() + offset));
}

bool AllZero(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0; });
}

// Calls visit for each record in order; true when the area is well formed. Lookups walk
// the area this way without building a list, since sorting by date asks for a time per
// comparison.
template <typename TVisit>
bool WalkExtraFields(std::string_view area, TVisit visit) {
    size_t offset = 0;
    while (offset < area.size()) {
        if (area.size() - offset < kExtraFieldHeaderSize) {
            return AllZero(area.substr(offset));
        }
        const uint16_t tag = LoadAt(area, offset);
        const size_t length = LoadAt(area, offset + 2);
        const size_t dataStart = offset + kExtraFieldHeaderSize;
        if (length > area.size() - dataStart) {
            return false;
        }
        visit(TExtraField{tag, area.substr(dataStart, length)});
        offset = dataStart + length;
    }
    return true;
}

}  // namespace

std::vector<TExtraField> SplitExtraFields(std::string_view area, bool* wellFormed) {
    std::vector<TExtraField> fields;
    const bool sound =
        WalkExtraFields(area, [&](const TExtraField& field) { fields.push_back(field); });
    if (wellFormed != nullptr) {
        *wellFormed = sound;
    }
    return fields;
}

bool IsWellFormedExtraArea(std::string_view area) {
    return WalkExtraFields(area, [](const TExtraField&) {});
}

std::optional<std::string_view> FindExtraField(std::string_view area, uint16_t tag) {
    // The whole area is walked even after a match: a malformed area is not trusted at all.
    std::optional<std::string_view> found;
    const bool wellFormed = WalkExtraFields(area, [&](const TExtraField& field) {
        if (!found && field.Tag == tag) {
            found = field.Data;
        }
    });
    return wellFormed ? found : std::nullopt;
}

std::string MakeExtraField(uint16_t tag, std::string_view data) {
    std::string field(kExtraFieldHeaderSize, '\0');
    auto* p = reinterpret_cast<uint8_t*>(field.data());
    StoreU16(p, tag);
    StoreU16(p + 2, static_cast<uint16_t>(data.size()));
    field.append(data);
    return field;
}

std::string WellFormedExtraPart(std::string_view area) {
    bool wellFormed = false;
    const std::vector<TExtraField> fields = SplitExtraFields(area, &wellFormed);
    if (wellFormed) {
        return std::string(area);
    }
    std::string sound;
    for (const TExtraField& field : fields) {
        sound += MakeExtraField(field.Tag, field.Data);
    }
    return sound;
}

std::string WithoutExtraField(std::string_view area, uint16_t tag) {
    bool wellFormed = false;
    const std::vector<TExtraField> fields = SplitExtraFields(area, &wellFormed);
    if (!wellFormed) {
        return std::string(area);
    }
    std::string kept;
    for (const TExtraField& field : fields) {
        if (field.Tag != tag) {
            kept += MakeExtraField(field.Tag, field.Data);
        }
    }
    return kept;
}

}  // namespace mobrel
