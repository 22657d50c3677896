#include "codecs/decode_by_method.h"

#include "codecs/bzip2_decoder.h"
#include "codecs/copy_stored.h"
#include "codecs/explode.h"
#include "codecs/inflate.h"
#include "codecs/lzma_decoder.h"
#include "codecs/unreduce.h"
#include "codecs/unshrink.h"
#include "codecs/xz_decoder.h"
#include "codecs/zstd_decoder.h"
#include "format/compression_method.h"

namespace mobrel {

bool HasDecoder(uint16_t method) {
    switch (method) {
        case cmStored:
        case cmShrunk:
        case cmReducedFactor1:
        case cmReducedFactor2:
        case cmReducedFactor3:
        case cmReducedFactor4:
        case cmImploded:
        case cmDeflated:
        case cmDeflate64:
        case cmBzip2:
        case cmLzma:
        case cmZstdOld:
        case cmZstd:
        case cmXz:
            return true;
        default:
            return false;
    }
}

bool DecodeByMethod(TDecodeContext& context, uint16_t method, uint16_t generalFlags,
                    int64_t compressedSize) {
    switch (method) {
        case cmStored:
            CopyStored(context);
            return true;
        case cmShrunk:
            Unshrink(context);
            return true;
        case cmReducedFactor1:
        case cmReducedFactor2:
        case cmReducedFactor3:
        case cmReducedFactor4:
            Unreduce(context, method - cmReducedFactor1 + 1);
            return true;
        case cmImploded:
            Explode(context, generalFlags, compressedSize);
            return true;
        case cmDeflated:
            Inflate(context);
            return true;
        case cmDeflate64:
            Inflate64(context);
            return true;
        case cmBzip2:
            DecodeBzip2(context);
            return true;
        case cmLzma:
            DecodeLzma(context, generalFlags);
            return true;
        case cmZstdOld:
        case cmZstd:
            DecodeZstd(context);
            return true;
        case cmXz:
            DecodeXz(context);
            return true;
        default:
            return false;
    }
}

}  // namespace mobrel
