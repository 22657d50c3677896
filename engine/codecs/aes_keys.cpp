#include "codecs/aes_keys.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>

#include "platform/engine_errors.h"

namespace mobrel {

namespace {

constexpr int kIterations = 1000;

}  // namespace

size_t AesKeySize(TAesStrength strength) {
    return 8 + 8 * static_cast<size_t>(strength);
}

size_t AesSaltSize(TAesStrength strength) {
    return AesKeySize(strength) / 2;
}

size_t AesOverhead(TAesStrength strength) {
    return AesSaltSize(strength) + kAesVerifierSize + kAesCodeSize;
}

TAesKeys DeriveAesKeys(const std::string& password, std::span<const uint8_t> salt,
                       TAesStrength strength) {
    TAesKeys keys;
    keys.Strength = strength;
    const size_t keySize = keys.KeySize();
    std::array<uint8_t, 2 * kAesMaxKeySize + kAesVerifierSize> derived{};
    const int derivedSize = static_cast<int>(2 * keySize + kAesVerifierSize);
    if (PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()), salt.data(),
                               static_cast<int>(AesSaltSize(strength)), kIterations, derivedSize,
                               derived.data()) != 1) {
        throw EGeneralError("The AES key derivation failed");
    }
    std::copy_n(derived.begin(), keySize, keys.Cipher.begin());
    std::copy_n(derived.begin() + static_cast<ptrdiff_t>(keySize), keySize, keys.Mac.begin());
    std::copy_n(derived.begin() + static_cast<ptrdiff_t>(2 * keySize), kAesVerifierSize,
                keys.Verifier.begin());
    OPENSSL_cleanse(derived.data(), derived.size());
    return keys;
}

std::array<uint8_t, kAesMaxSaltSize> MakeAesSalt() {
    std::array<uint8_t, kAesMaxSaltSize> salt{};
    if (RAND_bytes(salt.data(), static_cast<int>(salt.size())) != 1) {
        throw EGeneralError("No random bytes for an AES salt");
    }
    return salt;
}

bool SameAesCode(const TAesCode& a, const TAesCode& b) {
    return CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace mobrel
