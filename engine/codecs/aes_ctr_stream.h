#pragma once
// The AES stream of one entry: AES in counter mode with a 16-byte little-endian counter
// starting at 1, and HMAC-SHA1 over the encrypted bytes, whose first 10 bytes are the
// authentication code written after the data. Encrypting XORs then authenticates;
// decrypting authenticates then XORs, so the code always covers the bytes in the archive.
//
// The key stream is made in batches (the counter blocks of several KiB encrypted at once in
// ECB mode), which lets the library's AES instructions run at full speed.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "codecs/aes_keys.h"
#include "codecs/data_decryptor.h"

namespace mobrel {

class TAesCtrStream : public TDataDecryptor {
  public:
    TAesCtrStream();
    ~TAesCtrStream() override;
    TAesCtrStream(const TAesCtrStream&) = delete;
    TAesCtrStream& operator=(const TAesCtrStream&) = delete;

    // Starts an entry: the counter back at 1 and a fresh authentication.
    void Start(const TAesKeys& keys);

    void Encrypt(uint8_t* data, size_t count);
    void Decrypt(uint8_t* data, size_t count) override;
    // Takes encrypted bytes into the authentication only (data the decoder never used).
    void Authenticate(const uint8_t* data, size_t count);
    // The code of everything authenticated since Start; the stream needs a new Start after.
    TAesCode FinishCode();

  private:
    struct TState;

    void ApplyKeyStream(uint8_t* data, size_t count);
    void MakeKeyStream();

    std::unique_ptr<TState> state_;
};

}  // namespace mobrel
