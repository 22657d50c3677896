#include "codecs/xz_encoder.h"

#include "codecs/liblzma_step.h"

namespace mobrel {

TEncodeResult XzEncode(int packLevel, int64_t sizeHint, const TEncodeReadRoutine& read,
                       const TEncodeWriteRoutine& write) {
    lzma_options_lzma options = LzmaOptionsFor(packLevel, sizeHint);
    lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    TLiblzmaStep step;
    // CRC-64 is the check every .xz reader knows; the entry's CRC-32 covers the file anyway.
    const lzma_ret code = lzma_stream_encoder(step.Stream(), filters, LZMA_CHECK_CRC64);
    if (code != LZMA_OK) {
        LzmaFailed(code);
    }
    return DriveEncoder(step, read, write);
}

}  // namespace mobrel
