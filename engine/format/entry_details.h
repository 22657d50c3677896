#pragma once
// What an entry's headers tell beyond its name, sizes and date, in the words a listing
// shows: its type and permissions, the method its data was compressed with, and how it is
// encrypted.
#include <cstdint>
#include <string>

namespace mobrel {

class TZipHeaderInfo;

// The st_mode the entry stands for: its Unix mode when it carries one (a mode without a
// type gets that of a file, or of a folder for a folder entry); else what extraction gives
// it from the DOS attributes before the umask: 0777 for a folder, 0666 for a file, less
// every write permission when the file is read-only.
uint32_t EntryFileMode(const TZipHeaderInfo& entry);

// The name of the method the data was compressed with (under AES, the real one).
std::string EntryMethodName(const TZipHeaderInfo& entry);

// "none", "ZipCrypto", "AES-128", "AES-192" or "AES-256"; "AES" for an AES entry whose field
// is missing or unknown.
std::string EntryEncryptionName(const TZipHeaderInfo& entry);

}  // namespace mobrel
