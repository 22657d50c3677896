#include "shown_entry_path.h"

#include "platform/string_helpers.h"

std::string ShownEntryPath(std::string entryName) {
    return mobrel::BackslashToSlash(entryName);
}
