#include "codecs/zstd_decoder.h"

#include <zstd.h>
#include <zstd_errors.h>

#include <memory>

namespace mobrel {

namespace {

struct TDCtxFree {
    void operator()(ZSTD_DCtx* context) const { ZSTD_freeDCtx(context); }
};

class TZstdCoder : public TStreamCoder {
  public:
    TZstdCoder() : context_(ZSTD_createDCtx()) {
        if (context_ != nullptr) {
            ZSTD_DCtx_setParameter(context_.get(), ZSTD_d_windowLogMax, kZstdWindowLogMax);
        }
    }

    bool Opened() const { return context_ != nullptr; }

    TStepStatus Step(TCoderBuffers& buffers, bool inputEnded) override {
        (void)inputEnded;
        ZSTD_inBuffer in{buffers.In, buffers.InLeft, 0};
        ZSTD_outBuffer out{buffers.Out, buffers.OutLeft, 0};
        const size_t hint = ZSTD_decompressStream(context_.get(), &out, &in);
        buffers.In += in.pos;
        buffers.InLeft -= in.pos;
        buffers.Out += out.pos;
        buffers.OutLeft -= out.pos;
        if (ZSTD_isError(hint)) {
            return ZSTD_getErrorCode(hint) == ZSTD_error_frameParameter_windowTooLarge
                       ? TStepStatus::MemoryLimit
                       : TStepStatus::BadData;
        }
        // 0: a frame is complete and every byte of it has been flushed.
        return hint == 0 ? TStepStatus::StreamEnd : TStepStatus::Running;
    }

    bool ContinuesWith(const uint8_t* data, size_t count) override {
        // The context starts the next frame by itself.
        if (count < 4) {
            return false;
        }
        const uint32_t magic = static_cast<uint32_t>(data[0] | data[1] << 8 | data[2] << 16) |
                               static_cast<uint32_t>(data[3]) << 24;
        return magic == ZSTD_MAGICNUMBER ||
               (magic & ZSTD_MAGIC_SKIPPABLE_MASK) == ZSTD_MAGIC_SKIPPABLE_START;
    }

  private:
    std::unique_ptr<ZSTD_DCtx, TDCtxFree> context_;
};

}  // namespace

TStreamResult DecodeZstd(TDecodeContext& context) {
    TZstdCoder coder;
    if (!coder.Opened()) {
        return srMemoryLimit;
    }
    return RunStreamDecoder(context, coder);
}

}  // namespace mobrel
