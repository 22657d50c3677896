// The password check of an encrypted entry: the last byte of its decrypted encryption
// header must match the entry's check byte. A wrong password goes to OnBadPassword, whose
// new password is tried at once; without one the entry is skipped.
#include "codecs/zip_cipher.h"
#include "format/zip_header_info.h"
#include "platform/stream.h"
#include "reader/un_zipper.h"

namespace mobrel {

namespace {

// Writers that stream (data descriptor) don't know the CRC when they write the header, so
// they check against the high byte of the DOS time instead.
uint8_t ExpectedCheckByte(const TZipHeaderInfo& entry) {
    if (entry.HasDataDescriptor()) {
        return static_cast<uint8_t>(entry.DosDateTime >> 8);
    }
    return static_cast<uint8_t>(entry.CRC32 >> 24);
}

}  // namespace

bool TUnZipper::TakeAnotherPassword(int fileIndex) {
    std::string newPassword = password_;
    if (OnBadPassword) {
        OnBadPassword(*this, fileIndex, newPassword);
    }
    if (newPassword == password_) {
        SkipEntry(skBadPassword, spare_->FullName(), fileIndex);
        return false;
    }
    password_ = newPassword;
    return true;
}

bool TUnZipper::CheckPassword(int fileIndex) {
    if (aesField_) {
        return CheckAesPassword(fileIndex);
    }
    const uint8_t expected = ExpectedCheckByte(*spare_);
    const uint64_t compressedSize = spare_->CompressedSize;
    for (;;) {
        const uint8_t check =
            cipher_->ReadEncryptionHeader(password_, ArchiveStream(), spare_->CompressedSize);
        if (check == expected) {
            return true;
        }
        if (!TakeAnotherPassword(fileIndex)) {
            return false;
        }
        ArchiveStream().Seek(-static_cast<int64_t>(kEncryptionHeaderSize), soCurrent);
        spare_->CompressedSize = compressedSize;
    }
}

}  // namespace mobrel
