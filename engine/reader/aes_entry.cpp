// The AES side of extracting an entry: its 0x9901 field names the real method, its salt and
// verifier decide the password, and the authentication code after the data decides whether
// anything decoded from it may be kept.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "codecs/aes_ctr_stream.h"
#include "codecs/decode_context.h"
#include "codecs/zip_cipher.h"
#include "format/compression_method.h"
#include "format/zip_header_info.h"
#include "reader/un_zipper.h"

namespace mobrel {

namespace {

TAesStrength StrengthOf(const TAesField& field) {
    return static_cast<TAesStrength>(field.Strength);
}

}  // namespace

bool TUnZipper::PrepareAesEntry(int fileIndex) {
    aesField_.reset();
    const TZipHeaderInfo& entry = *spare_;
    if (entry.CompressionMethod != cmAes) {
        return true;
    }
    aesField_ = AesFieldOf(entry);
    if (aesField_ && entry.IsEncrypted()) {
        return true;
    }
    aesField_.reset();
    SkipEntry(skUnsupportedMethod, entry.FullName(), fileIndex,
              "compression method 99 (AES) with a missing, damaged or unknown AES extra field "
              "is not supported");
    return false;
}

uint16_t TUnZipper::DataMethod() const {
    return aesField_ ? aesField_->Method : spare_->CompressionMethod;
}

bool TUnZipper::CheckAesPassword(int fileIndex) {
    const TAesStrength strength = StrengthOf(*aesField_);
    const size_t saltSize = AesSaltSize(strength);
    if (spare_->CompressedSize < AesOverhead(strength)) {
        SkipEntry(skDamagedData, spare_->FullName(), fileIndex,
                  "the encrypted data is shorter than its salt, verifier and authentication "
                  "code");
        return false;
    }
    std::array<uint8_t, kAesMaxSaltSize + kAesVerifierSize> header{};
    ReadEntryData(header.data(), saltSize + kAesVerifierSize);
    const std::span<const uint8_t> salt(header.data(), saltSize);
    for (;;) {
        const TAesKeys keys = DeriveAesKeys(password_, salt, strength);
        if (std::equal(keys.Verifier.begin(), keys.Verifier.end(), header.begin() + saltSize)) {
            aes_->Start(keys);
            aesKeys_ = keys;
            spare_->CompressedSize -= AesOverhead(strength);
            return true;
        }
        if (!TakeAnotherPassword(fileIndex)) {
            return false;
        }
    }
}

TDataDecryptor* TUnZipper::EntryDecryptor() {
    if (!spare_->IsEncrypted()) {
        return nullptr;
    }
    if (aesField_) {
        return aes_.get();
    }
    return cipher_.get();
}

int64_t TUnZipper::EncryptionHeaderSize() const {
    if (aesField_) {
        return static_cast<int64_t>(AesSaltSize(StrengthOf(*aesField_)) + kAesVerifierSize);
    }
    return static_cast<int64_t>(kEncryptionHeaderSize);
}

bool TUnZipper::AuthenticateEntry() {
    decodeContext_->ReadRemainingInput();
    TAesCode stored{};
    ReadEntryData(stored.data(), stored.size());
    return SameAesCode(stored, aes_->FinishCode());
}

bool TUnZipper::CrcAgrees(uint32_t crc) const {
    return crc == spare_->CRC32 || (aesField_ && !aesField_->ChecksCrc());
}

void TUnZipper::RejectForgedEntry(int fileIndex, const std::string& fName) {
    if (memoryTarget_) {
        if (memoryBuffer_ != nullptr) {
            memoryBuffer_->clear();
        }
    } else {
        std::error_code error;
        std::filesystem::remove(fName, error);
    }
    SkipEntry(skDamagedData, spare_->FullName(), fileIndex,
              "authentication failed, the data was changed");
}

}  // namespace mobrel
