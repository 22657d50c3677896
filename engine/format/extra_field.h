#pragma once
// The extra-field area of a local or central header: a run of (tag, length, data) records.
// The area is kept as the bytes it was read as; these helpers look into it without trusting
// its lengths, and build the few fields the engine writes itself.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mobrel {

// Tags of the fields the engine reads or writes.
constexpr uint16_t kExtraZip64 = 0x0001;
constexpr uint16_t kExtraNtfs = 0x000A;
constexpr uint16_t kExtraExtendedTimestamp = 0x5455;  // "UT"
constexpr uint16_t kExtraUnicodePath = 0x7075;        // "up"
constexpr uint16_t kExtraUnixOwner = 0x7875;          // "ux"

constexpr size_t kExtraFieldHeaderSize = 4;

struct TExtraField {
    uint16_t Tag = 0;
    std::string_view Data;
};

// The fields of an area, in order. A record whose length runs past the end makes the area
// malformed: the fields before it are given, and wellFormed (when asked) becomes false.
// Trailing bytes too few for a record header (some tools pad with zeros) count as well
// formed only when they are all zero.
std::vector<TExtraField> SplitExtraFields(std::string_view area, bool* wellFormed = nullptr);
bool IsWellFormedExtraArea(std::string_view area);

// The data of the first field with the tag. A malformed area gives nothing: what its
// fields say can't be trusted.
std::optional<std::string_view> FindExtraField(std::string_view area, uint16_t tag);

// The records of an area that split cleanly, rebuilt; what follows a record whose length
// runs past the end is dropped. A well-formed area comes back as it is.
std::string WellFormedExtraPart(std::string_view area);

// One record: the tag, the length and the data. The data must fit a 16-bit length.
std::string MakeExtraField(uint16_t tag, std::string_view data);
// The area without any field of the tag; a malformed area is given back unchanged, since
// its records can't be told apart from its garbage.
std::string WithoutExtraField(std::string_view area, uint16_t tag);

}  // namespace mobrel
