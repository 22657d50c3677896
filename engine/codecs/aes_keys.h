#pragma once
// The keys of one AES-encrypted entry: PBKDF2-HMAC-SHA1 of the password and the entry's salt
// (1000 iterations) gives the AES key, the HMAC key and the 2-byte password verifier, in
// that order. Each entry has its own salt, so its own keys.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace mobrel {

// The key strengths, by their numbers in the 0x9901 field.
enum class TAesStrength : uint8_t {
    Aes128 = 1,
    Aes192 = 2,
    Aes256 = 3,
};

inline constexpr size_t kAesMaxKeySize = 32;
inline constexpr size_t kAesMaxSaltSize = 16;
inline constexpr size_t kAesVerifierSize = 2;
inline constexpr size_t kAesCodeSize = 10;  // the authentication code after the data

using TAesVerifier = std::array<uint8_t, kAesVerifierSize>;
using TAesCode = std::array<uint8_t, kAesCodeSize>;

// Compares two codes in a time that doesn't depend on where they differ.
bool SameAesCode(const TAesCode& a, const TAesCode& b);

// Bytes of the key (16, 24 or 32) and of the salt (half the key).
size_t AesKeySize(TAesStrength strength);
size_t AesSaltSize(TAesStrength strength);
// What the encryption adds to an entry's data: salt, verifier and authentication code.
size_t AesOverhead(TAesStrength strength);

struct TAesKeys {
    TAesStrength Strength = TAesStrength::Aes256;
    std::array<uint8_t, kAesMaxKeySize> Cipher{};  // the first AesKeySize bytes count
    std::array<uint8_t, kAesMaxKeySize> Mac{};
    TAesVerifier Verifier{};

    size_t KeySize() const { return AesKeySize(Strength); }
};

// salt must hold AesSaltSize(strength) bytes. The password is a byte string used as it is.
TAesKeys DeriveAesKeys(const std::string& password, std::span<const uint8_t> salt,
                       TAesStrength strength);

// A fresh salt for a new entry, from the operating system's generator (the first
// AesSaltSize bytes count).
std::array<uint8_t, kAesMaxSaltSize> MakeAesSalt();

}  // namespace mobrel
