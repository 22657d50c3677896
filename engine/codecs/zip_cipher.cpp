#include "codecs/zip_cipher.h"

#include <random>

#include "codecs/crc32.h"
#include "platform/engine_errors.h"
#include "platform/stream.h"

namespace mobrel {

void TZipCipher::InitKeys(const std::string& password) {
    Key0 = 0x12345678u;
    Key1 = 0x23456789u;
    Key2 = 0x34567890u;
    for (char c : password) {
        UpdateKeys(static_cast<uint8_t>(c));
    }
}

void TZipCipher::UpdateKeys(uint8_t plain) {
    Key0 = UpdateCRC(plain, Key0);
    Key1 = (Key1 + (Key0 & 0xFF)) * 134775813u + 1;
    Key2 = UpdateCRC(static_cast<uint8_t>(Key1 >> 24), Key2);
}

void TZipCipher::DecryptBuffer(uint8_t* buffer, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const uint8_t plain = buffer[i] ^ DecryptByte();
        buffer[i] = plain;
        UpdateKeys(plain);
    }
}

uint8_t TZipCipher::EncryptByte(uint8_t plain) {
    const uint8_t key = DecryptByte();
    UpdateKeys(plain);
    return plain ^ key;
}

void TZipCipher::EncryptBuffer(uint8_t* buffer, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        buffer[i] = EncryptByte(buffer[i]);
    }
}

uint8_t TZipCipher::DecryptHeader(const std::string& password, TEncryptionHeader& header) {
    InitKeys(password);
    DecryptBuffer(header.data(), header.size());
    return header[kEncryptionHeaderSize - 1];
}

uint8_t TZipCipher::ReadEncryptionHeader(const std::string& password, TStream& stream,
                                         uint64_t& compressedSize) {
    TEncryptionHeader header{};
    if (stream.Read(header.data(), kEncryptionHeaderSize) !=
        static_cast<int64_t>(kEncryptionHeaderSize)) {
        throw EFatalUnzipError("Premature end of file reached");
    }
    compressedSize =
        compressedSize > kEncryptionHeaderSize ? compressedSize - kEncryptionHeaderSize : 0;
    return DecryptHeader(password, header);
}

TEncryptionHeader TZipCipher::MakeEncryptionHeader(const std::string& password, uint32_t crc) {
    InitKeys(password);
    std::random_device device;
    std::uniform_int_distribution<int> random(0, 32766);
    TEncryptionHeader header{};
    for (size_t i = 0; i < 10; ++i) {
        header[i] = EncryptByte(static_cast<uint8_t>(random(device) >> 7));
    }
    header[10] = EncryptByte(static_cast<uint8_t>(crc >> 16));
    header[11] = EncryptByte(static_cast<uint8_t>(crc >> 24));
    return header;
}

void TZipCipher::WriteEncryptionHeader(const std::string& password, uint32_t crc, TStream& output) {
    const TEncryptionHeader header = MakeEncryptionHeader(password, crc);
    output.WriteBuffer(header.data(), header.size());
}

}  // namespace mobrel
