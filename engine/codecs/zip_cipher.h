#pragma once
// The traditional zip encryption: a stream cipher keyed by a password, with a 12-byte
// encryption header in front of each entry's data. One object runs one entry at a time;
// every entry starts with a fresh InitKeys.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "codecs/data_decryptor.h"

namespace mobrel {

class TStream;

inline constexpr size_t kEncryptionHeaderSize = 12;
using TEncryptionHeader = std::array<uint8_t, kEncryptionHeaderSize>;

class TZipCipher : public TDataDecryptor {
  public:
    uint32_t Key0 = 0x12345678u;
    uint32_t Key1 = 0x23456789u;
    uint32_t Key2 = 0x34567890u;

    // The password is a byte string used as it is; an empty one gives the initial keys.
    void InitKeys(const std::string& password);
    void UpdateKeys(uint8_t plain);
    // The next key-stream byte (does not advance the keys).
    uint8_t DecryptByte() const {
        // Unsigned 32-bit arithmetic: bits 8..15 are those of the 16-bit product.
        const uint32_t t = (Key2 & 0xFFFF) | 2;
        return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
    }

    // In place, continuing from the current keys.
    void DecryptBuffer(uint8_t* buffer, size_t count);
    void Decrypt(uint8_t* data, size_t count) override { DecryptBuffer(data, count); }
    uint8_t EncryptByte(uint8_t plain);
    void EncryptBuffer(uint8_t* buffer, size_t count);

    // InitKeys(password), then decrypts the header in place; returns its 12th byte (the
    // check byte) and leaves the keys ready for the entry's data.
    uint8_t DecryptHeader(const std::string& password, TEncryptionHeader& header);
    // Reads the 12 header bytes from the stream and decrypts them. The header is not part
    // of the entry's data, so 12 come off compressedSize (never below 0). An archive that
    // ends inside the header raises EFatalUnzipError.
    uint8_t ReadEncryptionHeader(const std::string& password, TStream& stream,
                                 uint64_t& compressedSize);

    // The writer's header: InitKeys(password), ten random bytes, then bits 16..23 and
    // 24..31 of the entry's CRC-32, all encrypted. The random bytes come from the
    // operating system's generator, so no header is predictable.
    TEncryptionHeader MakeEncryptionHeader(const std::string& password, uint32_t crc);
    void WriteEncryptionHeader(const std::string& password, uint32_t crc, TStream& output);
};

}  // namespace mobrel
