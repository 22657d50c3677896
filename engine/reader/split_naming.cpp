#include "reader/split_naming.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/file_helpers.h"
#include "platform/host_path.h"

namespace mobrel {

namespace {

bool AllDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
}

// ".001", ".0012": a dot and at least three digits.
bool IsNumberedExtension(const std::string& extension) {
    return extension.size() >= 4 && AllDigits(extension.substr(1));
}

// ".z01", ".Z17", ".z100": a dot, a 'z' and at least two digits.
bool IsZipPieceExtension(const std::string& extension) {
    return extension.size() >= 4 && (extension[1] == 'z' || extension[1] == 'Z') &&
           AllDigits(extension.substr(2));
}

std::string WithNumberedExtension(const std::string& name, const char* format, int number) {
    char extension[24];
    std::snprintf(extension, sizeof extension, format, number);
    return ChangeFileExt(name, extension);
}

}  // namespace

std::string NumberedDiskName(const std::string& setName, int disk) {
    return WithNumberedExtension(setName, ".%03d", disk);
}

std::string ZipPieceName(const std::string& setName, int disk) {
    return WithNumberedExtension(setName, ".z%02d", disk);
}

std::string SplitDiskName(const std::string& setName, TSplitNaming naming, int disk,
                          int diskCount) {
    if (naming == snNumbered) {
        return NumberedDiskName(setName, disk);
    }
    if (disk < diskCount) {
        return ZipPieceName(setName, disk);
    }
    return IsZipPieceExtension(ExtensionPart(setName)) ? ChangeFileExt(setName, ".zip") : setName;
}

TSplitNaming NamingOfSet(const std::string& diskName, int diskCount) {
    const std::string extension = ExtensionPart(diskName);
    if (IsNumberedExtension(extension)) {
        return snNumbered;
    }
    if (IsZipPieceExtension(extension)) {
        return snZip;
    }
    // The first few disks tell; a damaged end record may claim billions of them.
    constexpr int kDisksLookedAt = 8;
    int zipNamed = 0;
    int numbered = 0;
    for (int disk = 1; disk < std::min(diskCount, kDisksLookedAt + 1); ++disk) {
        zipNamed += RegularFileExists(ZipPieceName(diskName, disk)) ? 1 : 0;
        numbered += RegularFileExists(NumberedDiskName(diskName, disk)) ? 1 : 0;
    }
    return zipNamed > numbered ? snZip : snNumbered;
}

}  // namespace mobrel
