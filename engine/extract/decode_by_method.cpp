#include "extract/decode_by_method.h"

#include "extract/copy_stored.h"
#include "extract/explode.h"
#include "extract/inflate.h"
#include "extract/unreduce.h"
#include "extract/unshrink.h"

namespace mobrel {

bool DecodeByMethod(TDecodeContext& context, uint16_t method, uint16_t generalFlags,
                    int64_t compressedSize) {
    switch (method) {
        case 0:
            CopyStored(context);
            return true;
        case 1:
            Unshrink(context);
            return true;
        case 2:
        case 3:
        case 4:
        case 5:
            // Methods 2 to 5 are reduction with compression factors 1 to 4.
            Unreduce(context, method - 1);
            return true;
        case 6:
            Explode(context, generalFlags, compressedSize);
            return true;
        case 8:
            Inflate(context);
            return true;
        default:
            return false;
    }
}

}  // namespace mobrel
