#pragma once
// The Unicode Path extra field (0x7075): the UTF-8 form of a name stored in another
// character set, valid only while its CRC-32 matches the stored name's bytes, so a tool
// that renamed the entry without knowing the field can't leave a stale name behind.
#include <string_view>

#include "format/zip_header_info.h"

namespace mobrel {

// Gives the entry the field's name when area holds a valid one and the entry's name is
// not flagged UTF-8 already; the stored bytes stay what a rewrite writes.
void ApplyUnicodePath(TZipHeaderInfo& entry, std::string_view area);

}  // namespace mobrel
