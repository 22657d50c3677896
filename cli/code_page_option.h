#pragma once
// -O CODEPAGE, taken by list, test and extract: the code page of entry names that carry no
// UTF-8 flag and come from MS-DOS hosts (CP437 when not given).
#include "command_line.h"
#include "platform/names_code_page.h"

namespace mobrel::cli {

// The page -O names; raises UsageError for a name no page goes by.
TNamesCodePage CodePageOption(const CommandLine& line);

}  // namespace mobrel::cli
