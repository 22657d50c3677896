// The AES stream against answers computed by other implementations (PBKDF2 and HMAC by
// Python's hashlib, the key stream by the openssl command in ECB mode on little-endian
// counters), and its independence from how the data is cut into pieces.
#include "codecs/aes_ctr_stream.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "codecs/aes_keys.h"

namespace mobrel {
namespace {

std::string Hex(const uint8_t* data, size_t count) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 15];
    }
    return text;
}

TAesKeys CountingKeys() {
    TAesKeys keys;
    keys.Strength = TAesStrength::Aes128;
    std::iota(keys.Cipher.begin(), keys.Cipher.begin() + 16, uint8_t{0});
    std::iota(keys.Mac.begin(), keys.Mac.begin() + 16, uint8_t{0x20});
    return keys;
}

TEST(AesKeys, DerivationMatchesPbkdf2OfEachStrength) {
    std::vector<uint8_t> salt(16);
    std::iota(salt.begin(), salt.end(), uint8_t{0});
    const TAesKeys strong = DeriveAesKeys("secret", salt, TAesStrength::Aes256);
    EXPECT_EQ(Hex(strong.Cipher.data(), 32),
              "b054b25cf15c5e093100214b7cbd9d49b6e163a979efc91aa818b8a2f664ee1d");
    EXPECT_EQ(Hex(strong.Mac.data(), 32),
              "4315c73829e75ef42f5b8942f6d1d1dff97ddfcfa912c2a63a87d24a1948b787");
    EXPECT_EQ(Hex(strong.Verifier.data(), 2), "a336");
    // AES-128 takes an 8-byte salt: the bytes after it must not count.
    salt.assign({0, 1, 2, 3, 4, 5, 6, 7, 99, 99});
    const TAesKeys weak = DeriveAesKeys("pw", salt, TAesStrength::Aes128);
    EXPECT_EQ(Hex(weak.Cipher.data(), 16), "faf17ed12ffb5641e78597cf34117f5f");
    EXPECT_EQ(Hex(weak.Mac.data(), 16), "03c2f0c0768ae2f887bb3f26b090210c");
    EXPECT_EQ(Hex(weak.Verifier.data(), 2), "4b77");
}

TEST(AesKeys, SizesOfEachStrength) {
    EXPECT_EQ(AesSaltSize(TAesStrength::Aes128), 8u);
    EXPECT_EQ(AesSaltSize(TAesStrength::Aes192), 12u);
    EXPECT_EQ(AesSaltSize(TAesStrength::Aes256), 16u);
    EXPECT_EQ(AesOverhead(TAesStrength::Aes256), 28u);
    EXPECT_NE(MakeAesSalt(), MakeAesSalt());
}

TEST(AesCtrStream, KeyStreamCountsLittleEndianFromOneAndCodeCoversCiphertext) {
    TAesCtrStream stream;
    stream.Start(CountingKeys());
    std::vector<uint8_t> data(32, 0);
    stream.Encrypt(data.data(), data.size());
    EXPECT_EQ(Hex(data.data(), data.size()),
              "e37cd363dd7c87a09aff0e3e60e09c82fb8ae31ba5db9cad97364d8722d47326");
    const TAesCode code = stream.FinishCode();
    EXPECT_EQ(Hex(code.data(), code.size()), "7d6279e389962b40eed0");
}

TEST(AesCtrStream, PiecesOfAnySizeGiveTheSameBytesAndCode) {
    std::vector<uint8_t> plain(3 * 4096 + 77);
    for (size_t i = 0; i < plain.size(); ++i) {
        plain[i] = static_cast<uint8_t>(i * 31 + 7);
    }
    TAesCtrStream stream;
    stream.Start(CountingKeys());
    std::vector<uint8_t> whole = plain;
    stream.Encrypt(whole.data(), whole.size());
    const TAesCode wholeCode = stream.FinishCode();

    // Restarting must reset the counter and the authentication.
    stream.Start(CountingKeys());
    std::vector<uint8_t> pieces = plain;
    const size_t sizes[] = {1, 15, 16, 17, 4095, 4096, 4097};
    size_t at = 0;
    for (size_t i = 0; at < pieces.size(); ++i) {
        const size_t count = std::min(sizes[i % std::size(sizes)], pieces.size() - at);
        stream.Encrypt(pieces.data() + at, count);
        at += count;
    }
    EXPECT_EQ(pieces, whole);
    EXPECT_EQ(stream.FinishCode(), wholeCode);

    stream.Start(CountingKeys());
    stream.Decrypt(pieces.data(), 1000);
    stream.Authenticate(pieces.data() + 1000, pieces.size() - 1000);
    EXPECT_EQ(stream.FinishCode(), wholeCode);
    EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + 1000, pieces.begin()));
}

TEST(AesCtrStream, ChangedCiphertextChangesTheCode) {
    std::vector<uint8_t> data(100, 'a');
    TAesCtrStream stream;
    stream.Start(CountingKeys());
    stream.Encrypt(data.data(), data.size());
    const TAesCode code = stream.FinishCode();
    data[50] ^= 1;
    stream.Start(CountingKeys());
    stream.Decrypt(data.data(), data.size());
    EXPECT_NE(stream.FinishCode(), code);
    EXPECT_EQ(data[50], 'a' ^ 1);  // counter mode: the flip lands on the same plain byte
}

}  // namespace
}  // namespace mobrel
