// Compressing one file with a library encoder (bzip2, LZMA, Zstandard or XZ) when the
// writer's CompressionMethod asks for one: the same read and write routines as deflate, so
// progress, CRC, encryption, cancel, full disks and multi-disk sets behave alike.
#include <algorithm>

#include "codecs/compress_by_method.h"
#include "format/compression_method.h"
#include "writer/zip_run_state.h"
#include "writer/zipper.h"

namespace mobrel {

bool TZipper::UsesLibraryEncoder() const {
    return HasLibraryEncoder(compressionMethod_);
}

uint64_t TZipper::CompressWithLibrary(TZipHeaderInfo& entry) {
    const TEncodeReadRoutine read = [this](uint8_t* buffer, size_t count) {
        return ReadSource(buffer, count);
    };
    const TEncodeWriteRoutine write = [this](const uint8_t* buffer, size_t count) {
        WriteData(buffer, count);
    };
    const TEncodeResult result =
        CompressByMethod(compressionMethod_, packLevel_, run_->FileSize, read, write);
    entry.CompressionMethod = compressionMethod_;
    entry.GeneralFlags |= result.GeneralPurposeFlags;
    // Only deflate looks at the data closely enough to call it text.
    entry.InternalAttributes = 0;
    entry.VersionNeeded = std::max(entry.VersionNeeded, VersionNeededFor(compressionMethod_));
    return result.CompressedSize;
}

}  // namespace mobrel
