#include "codecs/lzma_decoder.h"

#include <algorithm>
#include <array>

#include "codecs/decode_context.h"
#include "codecs/lzma_stream_coder.h"
#include "platform/engine_errors.h"

namespace mobrel {

namespace {

constexpr size_t kHeaderSize = 9;
constexpr uint16_t kPropertiesSize = 5;
constexpr unsigned kPropertiesByteLimit = 9 * 5 * 5;  // lc < 9, lp < 5, pb < 5

struct TLzmaHeader {
    uint16_t PropertiesSize = 0;
    uint8_t LcLpPb = 0;
    uint32_t DictionarySize = 0;
};

// False when the entry's data ends inside the header.
bool ReadHeader(TDecodeContext& context, TLzmaHeader& header) {
    std::array<uint8_t, kHeaderSize> bytes{};
    try {
        for (uint8_t& b : bytes) {
            if (context.ReadInputByte(b) == 0) {
                return false;
            }
        }
    } catch (const EFatalUnzipError&) {
        return false;  // the archive itself ends there
    }
    header.PropertiesSize = static_cast<uint16_t>(bytes[2] | bytes[3] << 8);
    header.LcLpPb = bytes[4];
    header.DictionarySize = static_cast<uint32_t>(bytes[5] | bytes[6] << 8 | bytes[7] << 16) |
                            static_cast<uint32_t>(bytes[8]) << 24;
    return true;
}

// A match never reaches back past the first byte of the entry, so a dictionary larger
// than the declared size is never used: the smaller one saves the memory a header
// declaring gigabytes would otherwise take.
uint32_t UsableDictionary(uint32_t declared, int64_t uncompressedSize) {
    uint32_t size = declared;
    if (uncompressedSize >= 0 && static_cast<uint64_t>(uncompressedSize) < size) {
        size = static_cast<uint32_t>(uncompressedSize);
    }
    return std::max<uint32_t>(size, LZMA_DICT_SIZE_MIN);
}

lzma_options_lzma Options(const TLzmaHeader& header, int64_t uncompressedSize, bool endMarker) {
    lzma_options_lzma options{};
    unsigned properties = header.LcLpPb;
    options.lc = properties % 9;
    properties /= 9;
    options.lp = properties % 5;
    options.pb = properties / 5;
    options.dict_size = UsableDictionary(header.DictionarySize, uncompressedSize);
    options.ext_flags = endMarker ? LZMA_LZMA1EXT_ALLOW_EOPM : 0;
    const uint64_t size =
        uncompressedSize >= 0 ? static_cast<uint64_t>(uncompressedSize) : UINT64_MAX;
    options.ext_size_low = static_cast<uint32_t>(size);
    options.ext_size_high = static_cast<uint32_t>(size >> 32);
    return options;
}

class TLzmaCoder : public TLzmaStreamCoder {
  public:
    TStreamResult Open(lzma_options_lzma& options) {
        const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options},
                                       {LZMA_VLI_UNKNOWN, nullptr}};
        // UINT64_MAX: options liblzma does not support, such as lc + lp > 4.
        const uint64_t memory = lzma_raw_decoder_memusage(filters);
        if (memory == UINT64_MAX) {
            return srBadData;
        }
        if (memory > kLzmaMemoryLimit) {
            return srMemoryLimit;
        }
        const lzma_ret status = lzma_raw_decoder(&Stream(), filters);
        return status == LZMA_OK ? srOk : LzmaSetupResult(status);
    }
};

}  // namespace

TStreamResult DecodeLzma(TDecodeContext& context, uint16_t generalFlags) {
    TLzmaHeader header;
    if (!ReadHeader(context, header)) {
        return srTruncated;
    }
    if (header.PropertiesSize != kPropertiesSize || header.LcLpPb >= kPropertiesByteLimit) {
        return srBadData;
    }
    lzma_options_lzma options =
        Options(header, context.UncompressedSize(), (generalFlags & kLzmaEndMarkerFlag) != 0);
    TLzmaCoder coder;
    const TStreamResult opened = coder.Open(options);
    if (opened != srOk) {
        return opened;
    }
    return RunStreamDecoder(context, coder);
}

}  // namespace mobrel
