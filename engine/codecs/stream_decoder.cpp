#include "codecs/stream_decoder.h"

#include "codecs/decode_context.h"
#include "platform/engine_errors.h"

namespace mobrel {

namespace {

// The library writes into the window, which every context holds anyway and which no
// other decoder uses while a library decoder runs.
constexpr size_t kScratchSize = 2 * TDecodeContext::kBlockSize;
static_assert(kScratchSize <= TDecodeContext::kInflateWindowSize);

class TStreamRun {
  public:
    TStreamRun(TDecodeContext& context, TStreamCoder& coder) : context_(context), coder_(coder) {}

    TStreamResult Run();

  private:
    void TakeInputIfEmpty() {
        if (buffers_.InLeft == 0 && !inputEnded_) {
            buffers_.InLeft = context_.TakeInput(buffers_.In);
            inputEnded_ = buffers_.InLeft == 0;
        }
    }
    bool AnotherStreamFollows() {
        TakeInputIfEmpty();
        return buffers_.InLeft > 0 && coder_.ContinuesWith(buffers_.In, buffers_.InLeft);
    }

    TDecodeContext& context_;
    TStreamCoder& coder_;
    TCoderBuffers buffers_;
    bool inputEnded_ = false;
};

TStreamResult TStreamRun::Run() {
    uint8_t* const scratch = context_.Window();
    for (;;) {
        TakeInputIfEmpty();
        const size_t inBefore = buffers_.InLeft;
        buffers_.Out = scratch;
        buffers_.OutLeft = kScratchSize;
        const TStepStatus status = coder_.Step(buffers_, inputEnded_);
        const size_t produced = kScratchSize - buffers_.OutLeft;
        context_.DeliverOutput(scratch, produced);
        switch (status) {
            case TStepStatus::StreamEnd:
                if (!AnotherStreamFollows()) {
                    return srOk;
                }
                continue;
            case TStepStatus::BadData:
                return srBadData;
            case TStepStatus::MemoryLimit:
                return srMemoryLimit;
            case TStepStatus::Running:
                break;
        }
        // A step that neither read nor wrote waits for input: none will come when the
        // data has ended, and with input at hand the library is stuck on bad data.
        if (produced == 0 && buffers_.InLeft == inBefore) {
            return inputEnded_ ? srTruncated : srBadData;
        }
    }
}

}  // namespace

TStreamResult RunStreamDecoder(TDecodeContext& context, TStreamCoder& coder) {
    TStreamResult result;
    try {
        result = TStreamRun(context, coder).Run();
    } catch (const EUserCanceled&) {
        throw;
    } catch (const ECantWriteUCF&) {
        // A full disk is no fault of the data: the run must say what happened.
        throw;
    } catch (...) {
        return srBadData;
    }
    if (result == srOk) {
        context.FlushOutput();
    }
    return result;
}

}  // namespace mobrel
