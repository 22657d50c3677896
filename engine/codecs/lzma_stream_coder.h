#pragma once
// A stream coder over a liblzma decoder: the LZMA (method 14) and XZ (method 95)
// decoders differ only in how they set the lzma_stream up.
#include <lzma.h>

#include "codecs/stream_decoder.h"

namespace mobrel {

// The most memory a liblzma decoder may use: 288 MiB, a 256 MiB dictionary (four times
// the largest the usual compression levels choose) and the decoder's own state. A stream
// asking for more is refused as srMemoryLimit.
inline constexpr uint64_t kLzmaMemoryLimit = uint64_t{288} << 20;

class TLzmaStreamCoder : public TStreamCoder {
  public:
    TLzmaStreamCoder() = default;
    ~TLzmaStreamCoder() override { lzma_end(&stream_); }
    TLzmaStreamCoder(const TLzmaStreamCoder&) = delete;
    TLzmaStreamCoder& operator=(const TLzmaStreamCoder&) = delete;

    TStepStatus Step(TCoderBuffers& buffers, bool inputEnded) override;

  protected:
    // For the derived class to set up (and set up again) with an lzma_*_decoder call.
    lzma_stream& Stream() { return stream_; }

  private:
    lzma_stream stream_ = LZMA_STREAM_INIT;
};

// What a failed liblzma set-up call means for the entry.
inline TStreamResult LzmaSetupResult(lzma_ret status) {
    return status == LZMA_MEM_ERROR || status == LZMA_MEMLIMIT_ERROR ? srMemoryLimit : srBadData;
}

}  // namespace mobrel
