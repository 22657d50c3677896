#include "codecs/zstd_encoder.h"

#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <array>
#include <string>

#include "codecs/encoder_driver.h"
#include "platform/engine_errors.h"

namespace mobrel {

namespace {

// Our levels 1..9 on the library's scale. 19 is the last level whose window stays at 8 MiB;
// the levels above it need far more memory to compress with.
constexpr std::array<int, 10> kZstdLevels = {0, 1, 2, 3, 5, 7, 9, 12, 15, 19};

void CheckZstd(size_t code) {
    if (ZSTD_isError(code)) {
        if (ZSTD_getErrorCode(code) == ZSTD_error_srcSize_wrong) {
            throw EStreamError("The file changed size while it was being compressed");
        }
        throw EGeneralError(std::string("The Zstandard compressor failed: ") +
                            ZSTD_getErrorName(code));
    }
}

// The library's context for one file, released however the file ends.
class TZstdStep : public TEncoderStep {
  public:
    TZstdStep(int level, int64_t sizeHint) : context_(ZSTD_createCCtx()) {
        if (context_ == nullptr) {
            throw EGeneralError("The Zstandard compressor could not be started");
        }
        CheckZstd(ZSTD_CCtx_setParameter(context_, ZSTD_c_compressionLevel, level));
        if (sizeHint >= 0) {
            CheckZstd(
                ZSTD_CCtx_setPledgedSrcSize(context_, static_cast<unsigned long long>(sizeHint)));
        }
    }
    ~TZstdStep() override { ZSTD_freeCCtx(context_); }
    TZstdStep(const TZstdStep&) = delete;
    TZstdStep& operator=(const TZstdStep&) = delete;

    bool Step(TCoderBuffers& buffers, bool finish) override {
        ZSTD_inBuffer in = {buffers.In, buffers.InLeft, 0};
        ZSTD_outBuffer out = {buffers.Out, buffers.OutLeft, 0};
        const size_t left =
            ZSTD_compressStream2(context_, &out, &in, finish ? ZSTD_e_end : ZSTD_e_continue);
        CheckZstd(left);
        buffers.In += in.pos;
        buffers.InLeft -= in.pos;
        buffers.Out += out.pos;
        buffers.OutLeft -= out.pos;
        return finish && left == 0;
    }

  private:
    ZSTD_CCtx* context_;
};

}  // namespace

TEncodeResult ZstdEncode(int packLevel, int64_t sizeHint, const TEncodeReadRoutine& read,
                         const TEncodeWriteRoutine& write) {
    TZstdStep step(kZstdLevels[static_cast<size_t>(std::clamp(packLevel, 1, 9))], sizeHint);
    return DriveEncoder(step, read, write);
}

}  // namespace mobrel
