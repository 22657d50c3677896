#pragma once
// Archives as MS-DOS hosts set up for Russian or Japanese wrote them: names in CP866 or
// Shift-JIS bytes without the UTF-8 flag, the host in the version-made-by field MS-DOS.
#include <string>
#include <vector>

#include "format/zip_builder.h"

namespace mobrel::test {

constexpr uint16_t kMadeOnMsDos = 0x0014;  // version 2.0, host 0

struct DosName {
    std::string Stored;  // the bytes in the archive, '/' separated
    std::string Utf8;    // what they say, '/' separated
};

// A folder of two files and a plain ASCII name.
inline const std::vector<DosName>& Cp866Names() {
    static const std::vector<DosName> names = {
        {"\x8F\xE0\xA8\xA2\xA5\xE2/\x8E\xE2\xE7\xF1\xE2.txt", "Привет/Отчёт.txt"},
        {"\x8F\xE0\xA8\xA2\xA5\xE2/\x84\xA0\xAD\xAD\xEB\xA5.txt", "Привет/Данные.txt"},
        {"readme.txt", "readme.txt"},
    };
    return names;
}

// Both names hold a character whose second byte is 0x5C, a '\' on its own.
inline const std::vector<DosName>& ShiftJisNames() {
    static const std::vector<DosName> names = {
        {"\x93\xFA\x96\x7B\x8C\xEA/\x95\x5C\x8E\xA6.txt", "日本語/表示.txt"},
        {"\x83\x5C\x83\x74\x83\x67.txt", "ソフト.txt"},
    };
    return names;
}

// The stored content of each entry: its UTF-8 name, so extracted files tell which is which.
inline Bytes MsDosArchive(const std::vector<DosName>& names) {
    ZipBuilder builder;
    for (const DosName& name : names) {
        BuiltEntry entry(name.Stored, "content of " + name.Utf8);
        entry.VersionMadeBy = kMadeOnMsDos;
        builder.Add(entry);
    }
    return builder.Build();
}

}  // namespace mobrel::test
