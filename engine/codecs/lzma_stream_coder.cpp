#include "codecs/lzma_stream_coder.h"

namespace mobrel {

TStepStatus TLzmaStreamCoder::Step(TStreamBuffers& buffers, bool inputEnded) {
    stream_.next_in = buffers.In;
    stream_.avail_in = buffers.InLeft;
    stream_.next_out = buffers.Out;
    stream_.avail_out = buffers.OutLeft;
    const lzma_ret status = lzma_code(&stream_, inputEnded ? LZMA_FINISH : LZMA_RUN);
    buffers.In = stream_.next_in;
    buffers.InLeft = stream_.avail_in;
    buffers.Out = stream_.next_out;
    buffers.OutLeft = stream_.avail_out;
    switch (status) {
        case LZMA_OK:
            return TStepStatus::Running;
        case LZMA_STREAM_END:
            return TStepStatus::StreamEnd;
        case LZMA_MEM_ERROR:
        case LZMA_MEMLIMIT_ERROR:
            return TStepStatus::MemoryLimit;
        case LZMA_BUF_ERROR:
            // No progress possible: with the input at its end the stream is cut short,
            // which the run loop tells from its own counts.
            return TStepStatus::Running;
        default:
            return TStepStatus::BadData;
    }
}

}  // namespace mobrel
