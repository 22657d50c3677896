#pragma once
// One lzma_code call over the coder buffers, for liblzma's encoders and decoders alike.
#include <lzma.h>

#include "codecs/coder_buffers.h"

namespace mobrel {

// Runs the stream over the buffers with the action and advances them by what it took and
// produced; the library's status is the caller's to judge.
inline lzma_ret CodeLzma(lzma_stream& stream, TCoderBuffers& buffers, lzma_action action) {
    stream.next_in = buffers.In;
    stream.avail_in = buffers.InLeft;
    stream.next_out = buffers.Out;
    stream.avail_out = buffers.OutLeft;
    const lzma_ret status = lzma_code(&stream, action);
    buffers.In = stream.next_in;
    buffers.InLeft = stream.avail_in;
    buffers.Out = stream.next_out;
    buffers.OutLeft = stream.avail_out;
    return status;
}

}  // namespace mobrel
