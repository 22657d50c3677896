// Hostile extra-field areas: the field splitter, the time and Unicode Path readers and a
// header that carries the area through a write and a read. No length may lead a reader out
// of the area, a field taken out leaves the others as they were, and whatever the area
// holds, a name taken from it is valid UTF-8 and the area is written back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "format/extra_field.h"
#include "format/modification_time_field.h"
#include "format/zip_header_info.h"
#include "platform/code_page.h"
#include "platform/memory_stream.h"
#include "reader/unicode_path.h"

namespace {

using mobrel::TExtraField;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool Inside(std::string_view part, std::string_view whole) {
    return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

void CheckSplit(std::string_view area) {
    bool wellFormed = false;
    const std::vector<TExtraField> fields = mobrel::SplitExtraFields(area, &wellFormed);
    size_t used = 0;
    for (const TExtraField& field : fields) {
        Check(Inside(field.Data, area));
        used += mobrel::kExtraFieldHeaderSize + field.Data.size();
    }
    Check(used <= area.size());
    if (!wellFormed || fields.empty()) {
        return;
    }
    // Taking out the first field's tag keeps every other field, in order.
    const uint16_t tag = fields.front().Tag;
    const std::string rest = mobrel::WithoutExtraField(area, tag);
    Check(mobrel::IsWellFormedExtraArea(rest));
    Check(!mobrel::FindExtraField(rest, tag).has_value());
    std::string expected;
    for (const TExtraField& field : fields) {
        if (field.Tag != tag) {
            expected += mobrel::MakeExtraField(field.Tag, field.Data);
        }
    }
    Check(rest == expected);
}

// The area as a central header's extra field, under a name the input also chooses.
void CheckHeader(std::string_view area, std::string_view name) {
    mobrel::TZipHeaderInfo record;
    record.SetFileName("x");
    record.CentralExtra = std::string(area.substr(0, 0xFFFF));
    // Any host, and a file type the input picks, so the mode rules see every case.
    const auto byteAt = [&](size_t i) {
        return i < area.size() ? static_cast<uint8_t>(area[i]) : 0u;
    };
    record.VersionMadeBy = static_cast<uint16_t>(byteAt(0) << 8);
    record.ExternalAttributes = static_cast<uint32_t>(byteAt(3)) << 24;
    mobrel::TMemoryStream out;
    record.WriteCentral(out);
    out.Seek(0, mobrel::soBeginning);
    mobrel::TZipHeaderInfo back;
    Check(back.ReadCentral(out));
    Check(back.CentralExtra == record.CentralExtra);
    (void)back.ModificationTime();
    (void)back.IsSymbolicLink();

    // A Unicode Path that passes its checks gives a valid name; the stored bytes stay.
    mobrel::TZipHeaderInfo named;
    named.SetNameAsRead(std::string(name), {std::string(name), false});
    mobrel::ApplyUnicodePath(named, area);
    Check(named.NameAsRead().Bytes == name);
    if (named.FullName() != name) {
        Check(mobrel::IsValidUtf8(named.FullName()));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first byte splits the input into a stored name and the area.
    const size_t nameLength = bytes.empty() ? 0 : static_cast<uint8_t>(bytes[0]) % 32;
    const std::string_view rest = bytes.substr(bytes.empty() ? 0 : 1);
    const std::string_view name = rest.substr(0, nameLength);
    const std::string_view area = rest.substr(name.size());
    CheckSplit(area);
    (void)mobrel::ExtraModificationTime(area);
    CheckHeader(area, name);
    return 0;
}
