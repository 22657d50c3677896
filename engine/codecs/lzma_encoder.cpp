#include "codecs/lzma_encoder.h"

#include <array>

#include "codecs/liblzma_step.h"

namespace mobrel {

namespace {

// The LZMA SDK version the header names: 9.20, which peers also write; readers only check
// the properties size.
constexpr uint8_t kSdkMajor = 9;
constexpr uint8_t kSdkMinor = 20;
constexpr size_t kPropertiesSize = 5;
constexpr size_t kHeaderSize = 4 + kPropertiesSize;

}  // namespace

TEncodeResult LzmaEncode(int packLevel, int64_t sizeHint, const TEncodeReadRoutine& read,
                         const TEncodeWriteRoutine& write) {
    lzma_options_lzma options = LzmaOptionsFor(packLevel, sizeHint);
    // The plain LZMA1 filter always ends its raw stream with the end marker.
    lzma_filter filters[] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    std::array<uint8_t, kHeaderSize> header = {kSdkMajor, kSdkMinor, kPropertiesSize, 0};
    lzma_ret code = lzma_properties_encode(filters, header.data() + 4);
    if (code != LZMA_OK) {
        LzmaFailed(code);
    }
    TLiblzmaStep step;
    code = lzma_raw_encoder(step.Stream(), filters);
    if (code != LZMA_OK) {
        LzmaFailed(code);
    }
    write(header.data(), header.size());
    TEncodeResult result = DriveEncoder(step, read, write);
    result.CompressedSize += header.size();
    result.GeneralPurposeFlags = kFlagLzmaEndMarker;
    return result;
}

}  // namespace mobrel
