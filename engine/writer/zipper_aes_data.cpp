// The AES side of writing a file: the 0x9901 field reserved before the local header, the
// salt and verifier in front of the data, the authentication code after it. Small files
// are written as AE-2 (no CRC in the headers), since a CRC of a few bytes would give their
// content away; all others as AE-1.
#include <algorithm>

#include "codecs/aes_keys.h"
#include "format/aes_extra_field.h"
#include "format/compression_method.h"
#include "format/zip_format.h"
#include "platform/engine_errors.h"
#include "writer/zip_run_state.h"
#include "writer/zipper.h"

namespace mobrel {

namespace {

constexpr uint16_t kVersionNeededForAes = 51;
// Files shorter than this get AE-2.
constexpr uint64_t kAe2Below = 20;

TAesStrength StrengthOf(TZipEncryption encryption) {
    switch (encryption) {
        case TZipEncryption::Aes128:
            return TAesStrength::Aes128;
        case TZipEncryption::Aes192:
            return TAesStrength::Aes192;
        default:
            return TAesStrength::Aes256;
    }
}

}  // namespace

bool TZipper::EncryptsWithAes() const {
    return !Password().empty() && encryption_ != TZipEncryption::Traditional;
}

void TZipper::ReserveAesField(TZipHeaderInfo& entry) {
    TAesField field;
    field.Strength = static_cast<uint8_t>(StrengthOf(encryption_));
    field.Method = cmDeflated;
    entry.LocalExtra = WithAesField(entry.LocalExtra, field);
    entry.CentralExtra = WithAesField(entry.CentralExtra, field);
    entry.VersionNeeded = std::max(entry.VersionNeeded, kVersionNeededForAes);
}

void TZipper::BeginAesData() {
    TZipRunState& run = *run_;
    const TAesStrength strength = StrengthOf(encryption_);
    const auto salt = MakeAesSalt();
    const size_t saltSize = AesSaltSize(strength);
    const TAesKeys keys = DeriveAesKeys(Password(), salt, strength);
    if (!run.Aes) {
        run.Aes = std::make_unique<TAesCtrStream>();
    }
    run.Aes->Start(keys);
    TStream& output = FileDataOutput();
    const auto saltLength = static_cast<int64_t>(saltSize);
    const auto verifierLength = static_cast<int64_t>(kAesVerifierSize);
    if (output.Write(salt.data(), saltLength) != saltLength ||
        output.Write(keys.Verifier.data(), verifierLength) != verifierLength) {
        throw ENotEnoughRoom(kNotEnoughRoom);
    }
    run.BytesOnDisk += saltLength + verifierLength;
}

void TZipper::FinishAesData(TZipHeaderInfo& entry, uint64_t& compressedSize) {
    TZipRunState& run = *run_;
    const TAesCode code = run.Aes->FinishCode();
    const auto codeLength = static_cast<int64_t>(code.size());
    if (FileDataOutput().Write(code.data(), codeLength) != codeLength) {
        throw ENotEnoughRoom(kNotEnoughRoom);
    }
    run.BytesOnDisk += codeLength;
    TAesField field;
    field.Strength = static_cast<uint8_t>(StrengthOf(encryption_));
    field.Method = entry.CompressionMethod;
    const bool small = static_cast<uint64_t>(run.FileBytesRead) < kAe2Below;
    field.VendorVersion = small ? kAesVersion2 : kAesVersion1;
    entry.LocalExtra = WithAesField(entry.LocalExtra, field);
    entry.CentralExtra = WithAesField(entry.CentralExtra, field);
    entry.CompressionMethod = cmAes;
    if (small) {
        entry.CRC32 = 0;
    }
    entry.GeneralFlags |= kFlagEncrypted;
    compressedSize += AesOverhead(StrengthOf(encryption_));
}

}  // namespace mobrel
