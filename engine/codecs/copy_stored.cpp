#include "codecs/copy_stored.h"

#include "codecs/decode_context.h"

namespace mobrel {

void CopyStored(TDecodeContext& context) {
    // Stored data needs no input buffer: each piece is read straight into the output
    // buffer and flushed from there.
    context.FlushOutput();
    while (const size_t count = context.ReadCompressedBlock(context.OutputBuffer())) {
        context.SetOutputCount(count);
        context.FlushOutput();
    }
}

}  // namespace mobrel
