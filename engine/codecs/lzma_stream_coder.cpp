#include "codecs/lzma_stream_coder.h"

#include "codecs/liblzma_code.h"

namespace mobrel {

TStepStatus TLzmaStreamCoder::Step(TCoderBuffers& buffers, bool inputEnded) {
    const lzma_ret status = CodeLzma(stream_, buffers, inputEnded ? LZMA_FINISH : LZMA_RUN);
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
