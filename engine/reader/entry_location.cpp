// Finding an entry's data in the archive: its local header on its own disk, then the
// bytes after the header's name and extra field (whose lengths may differ from the central
// header's).
#include "codecs/zip_cipher.h"
#include "format/end_central.h"
#include "format/zip_format.h"
#include "format/zip_header_info.h"
#include "platform/stream.h"
#include "reader/un_zipper.h"

namespace mobrel {

void TUnZipper::ReadLocalHeader() {
    if (endCentral_->ThisDisk != 0 && static_cast<int>(spare_->DiskNumberStart) != currentDisk_) {
        OpenDisk(spare_->DiskNumberStart + 1);
    }
    TStream& stream = ArchiveStream();
    stream.Seek(spare_->LocalHeaderOffset, soBeginning);
    // A header cut short reads as zeros; the decoder then meets the end of the archive.
    localHeaderImage_.fill(0);
    stream.Read(localHeaderImage_.data(), kLocalHeaderSize);
    SeekToEntryData(false);
}

void TUnZipper::SeekToEntryData(bool pastEncryptionHeader) {
    ArchiveStream().Seek(EntryDataOffset(pastEncryptionHeader), soBeginning);
}

int64_t TUnZipper::EntryDataOffset(bool pastEncryptionHeader) const {
    const uint8_t* header = localHeaderImage_.data();
    int64_t offset = static_cast<int64_t>(spare_->LocalHeaderOffset) + kLocalHeaderSize +
                     LoadU16(header + local_header::kFileNameLength) +
                     LoadU16(header + local_header::kExtraFieldLength);
    if (pastEncryptionHeader) {
        offset += EncryptionHeaderSize();
    }
    return offset;
}

}  // namespace mobrel
