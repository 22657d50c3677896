#include "codecs/compress_by_method.h"

#include "codecs/bzip2_encoder.h"
#include "codecs/lzma_encoder.h"
#include "codecs/xz_encoder.h"
#include "codecs/zstd_encoder.h"
#include "format/compression_method.h"
#include "platform/engine_errors.h"

namespace mobrel {

namespace {

constexpr uint64_t kHeaderAllowance = 65536;

}  // namespace

bool HasLibraryEncoder(uint16_t method) {
    return method == cmBzip2 || method == cmLzma || method == cmZstd || method == cmXz;
}

TEncodeResult CompressByMethod(uint16_t method, int packLevel, int64_t sizeHint,
                               const TEncodeReadRoutine& read, const TEncodeWriteRoutine& write) {
    switch (method) {
        case cmBzip2:
            return Bzip2Encode(packLevel, read, write);
        case cmLzma:
            return LzmaEncode(packLevel, sizeHint, read, write);
        case cmZstd:
            return ZstdEncode(packLevel, sizeHint, read, write);
        case cmXz:
            return XzEncode(packLevel, sizeHint, read, write);
        default:
            throw EGeneralError("No encoder for the compression method " +
                                CompressionMethodName(method));
    }
}

uint64_t LargestCompressedSize(uint64_t size) {
    return size + size / 16 + kHeaderAllowance;
}

}  // namespace mobrel
