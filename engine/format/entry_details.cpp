#include "format/entry_details.h"

#include "format/aes_extra_field.h"
#include "format/compression_method.h"
#include "format/zip_format.h"
#include "format/zip_header_info.h"
#include "platform/file_attributes.h"

namespace mobrel {

namespace {

constexpr uint32_t kNewFolderPermissions = 0777;
constexpr uint32_t kNewFilePermissions = 0666;
constexpr uint32_t kWritePermissions = 0222;

// A folder entry's name ends with the separator, which leaves no file part.
bool IsFolderEntry(const TZipHeaderInfo& entry) {
    return entry.FileName().empty() || (entry.ExternalAttributes & faDirectory) != 0;
}

}  // namespace

uint32_t EntryFileMode(const TZipHeaderInfo& entry) {
    const bool folder = IsFolderEntry(entry);
    if (const uint32_t mode = entry.UnixMode(); mode != 0) {
        if ((mode & kUnixTypeMask) != 0) {
            return mode;
        }
        return mode | (folder ? kUnixDirectory : kUnixRegularFile);
    }
    if (folder) {
        return kUnixDirectory | kNewFolderPermissions;
    }
    const bool readOnly = (entry.ExternalAttributes & faReadOnly) != 0;
    return kUnixRegularFile |
           (readOnly ? kNewFilePermissions & ~kWritePermissions : kNewFilePermissions);
}

std::string EntryMethodName(const TZipHeaderInfo& entry) {
    return CompressionMethodName(DataMethodOf(entry));
}

std::string EntryEncryptionName(const TZipHeaderInfo& entry) {
    if (entry.CompressionMethod == cmAes) {
        const std::optional<TAesField> field = AesFieldOf(entry);
        // Strengths 1, 2 and 3 are keys of 128, 192 and 256 bits.
        return field ? "AES-" + std::to_string(64 + 64 * field->Strength) : "AES";
    }
    return entry.IsEncrypted() ? "ZipCrypto" : "none";
}

}  // namespace mobrel
