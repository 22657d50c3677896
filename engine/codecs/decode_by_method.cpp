#include "codecs/decode_by_method.h"

#include "codecs/copy_stored.h"
#include "codecs/explode.h"
#include "codecs/inflate.h"
#include "codecs/unreduce.h"
#include "codecs/unshrink.h"
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
        default:
            return false;
    }
}

}  // namespace mobrel
