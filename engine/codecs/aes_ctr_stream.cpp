#include "codecs/aes_ctr_stream.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstring>

#include "platform/engine_errors.h"

namespace mobrel {

namespace {

constexpr size_t kBlock = 16;
// Key-stream bytes made at once: enough blocks for the AES instructions' pipelines.
constexpr size_t kKeyStreamSize = 4096;

struct TCipherFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
struct TMacFree {
    void operator()(EVP_MAC* mac) const { EVP_MAC_free(mac); }
};
struct TMacContextFree {
    void operator()(EVP_MAC_CTX* context) const { EVP_MAC_CTX_free(context); }
};

void Require(bool ok, const char* what) {
    if (!ok) {
        throw EGeneralError(std::string("AES: ") + what + " failed");
    }
}

const EVP_CIPHER* EcbCipher(size_t keySize) {
    switch (keySize) {
        case 16:
            return EVP_aes_128_ecb();
        case 24:
            return EVP_aes_192_ecb();
        default:
            return EVP_aes_256_ecb();
    }
}

}  // namespace

struct TAesCtrStream::TState {
    std::unique_ptr<EVP_CIPHER_CTX, TCipherFree> Cipher{EVP_CIPHER_CTX_new()};
    std::unique_ptr<EVP_MAC, TMacFree> Mac{EVP_MAC_fetch(nullptr, "HMAC", nullptr)};
    std::unique_ptr<EVP_MAC_CTX, TMacContextFree> MacContext;
    uint64_t Counter = 1;  // the next counter block; the high 8 bytes stay zero
    alignas(16) uint8_t CounterBlocks[kKeyStreamSize]{};
    alignas(16) uint8_t KeyStream[kKeyStreamSize]{};
    size_t KeyStreamPosition = kKeyStreamSize;  // all used: the next byte needs a batch
};

TAesCtrStream::TAesCtrStream() : state_(std::make_unique<TState>()) {
    Require(state_->Cipher != nullptr && state_->Mac != nullptr, "setting up");
}

TAesCtrStream::~TAesCtrStream() {
    OPENSSL_cleanse(state_->KeyStream, kKeyStreamSize);
}

void TAesCtrStream::Start(const TAesKeys& keys) {
    TState& state = *state_;
    Require(EVP_EncryptInit_ex(state.Cipher.get(), EcbCipher(keys.KeySize()), nullptr,
                               keys.Cipher.data(), nullptr) == 1,
            "key setup");
    EVP_CIPHER_CTX_set_padding(state.Cipher.get(), 0);
    state.MacContext.reset(EVP_MAC_CTX_new(state.Mac.get()));
    Require(state.MacContext != nullptr, "HMAC setup");
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_end(),
    };
    Require(EVP_MAC_init(state.MacContext.get(), keys.Mac.data(), keys.KeySize(), params) == 1,
            "HMAC setup");
    state.Counter = 1;
    state.KeyStreamPosition = kKeyStreamSize;
}

void TAesCtrStream::Encrypt(uint8_t* data, size_t count) {
    ApplyKeyStream(data, count);
    Authenticate(data, count);
}

void TAesCtrStream::Decrypt(uint8_t* data, size_t count) {
    Authenticate(data, count);
    ApplyKeyStream(data, count);
}

void TAesCtrStream::Authenticate(const uint8_t* data, size_t count) {
    if (count > 0) {
        Require(EVP_MAC_update(state_->MacContext.get(), data, count) == 1, "HMAC");
    }
}

TAesCode TAesCtrStream::FinishCode() {
    uint8_t full[EVP_MAX_MD_SIZE];
    size_t length = 0;
    Require(EVP_MAC_final(state_->MacContext.get(), full, &length, sizeof full) == 1, "HMAC");
    TAesCode code{};
    std::copy_n(full, code.size(), code.begin());
    return code;
}

void TAesCtrStream::ApplyKeyStream(uint8_t* data, size_t count) {
    TState& state = *state_;
    while (count > 0) {
        if (state.KeyStreamPosition == kKeyStreamSize) {
            MakeKeyStream();
        }
        const size_t piece = std::min(count, kKeyStreamSize - state.KeyStreamPosition);
        const uint8_t* key = state.KeyStream + state.KeyStreamPosition;
        // Eight bytes at a time; the compiler widens this further.
        size_t i = 0;
        for (; i + 8 <= piece; i += 8) {
            uint64_t a;
            uint64_t b;
            std::memcpy(&a, data + i, 8);
            std::memcpy(&b, key + i, 8);
            a ^= b;
            std::memcpy(data + i, &a, 8);
        }
        for (; i < piece; ++i) {
            data[i] ^= key[i];
        }
        state.KeyStreamPosition += piece;
        data += piece;
        count -= piece;
    }
}

void TAesCtrStream::MakeKeyStream() {
    TState& state = *state_;
    for (size_t block = 0; block < kKeyStreamSize / kBlock; ++block) {
        uint8_t* counter = state.CounterBlocks + block * kBlock;
        uint64_t value = state.Counter++;
        for (size_t i = 0; i < 8; ++i, value >>= 8) {
            counter[i] = static_cast<uint8_t>(value);
        }
    }
    int written = 0;
    Require(EVP_EncryptUpdate(state.Cipher.get(), state.KeyStream, &written, state.CounterBlocks,
                              static_cast<int>(kKeyStreamSize)) == 1 &&
                written == static_cast<int>(kKeyStreamSize),
            "encryption");
    state.KeyStreamPosition = 0;
}

}  // namespace mobrel
