#pragma once
// What the decoding context decrypts each block of an entry's data with: the traditional
// cipher or the AES stream, both continuing from where the previous block left them.
#include <cstddef>
#include <cstdint>

namespace mobrel {

class TDataDecryptor {
  public:
    virtual ~TDataDecryptor() = default;
    // Decrypts count bytes in place.
    virtual void Decrypt(uint8_t* data, size_t count) = 0;
};

}  // namespace mobrel
