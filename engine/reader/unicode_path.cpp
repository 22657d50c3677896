#include "reader/unicode_path.h"

#include <algorithm>
#include <optional>
#include <string>

#include "codecs/crc32.h"
#include "format/extra_field.h"
#include "platform/byte_order.h"
#include "platform/code_page.h"

namespace mobrel {

namespace {

constexpr uint8_t kUnicodePathVersion = 1;
constexpr size_t kUnicodePathHeaderSize = 5;  // version, then the stored name's CRC-32

std::optional<std::string> UnicodePath(std::string_view area, std::string_view storedName) {
    const std::optional<std::string_view> field = FindExtraField(area, kExtraUnicodePath);
    if (!field || field->size() <= kUnicodePathHeaderSize ||
        static_cast<uint8_t>((*field)[0]) != kUnicodePathVersion) {
        return std::nullopt;
    }
    const uint32_t crc = LoadU32(reinterpret_cast<const uint8_t*>(field->data() + 1));
    if (crc != Crc32Of(storedName.data(), storedName.size())) {
        return std::nullopt;
    }
    const std::string_view name = field->substr(kUnicodePathHeaderSize);
    if (!IsValidUtf8(name) || name.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(name);
}

}  // namespace

void ApplyUnicodePath(TZipHeaderInfo& entry, std::string_view area) {
    const TStoredName& stored = entry.NameAsRead();
    if (stored.Utf8) {
        return;
    }
    std::optional<std::string> name = UnicodePath(area, stored.Bytes);
    if (!name) {
        return;
    }
    std::replace(name->begin(), name->end(), '/', '\\');
    entry.SetNameAsRead(*name, stored);
}

}  // namespace mobrel
