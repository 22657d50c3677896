#pragma once
// What the LZMA and XZ encoders share: liblzma's stream state for one file, its settings
// for a pack level, and its errors.
#include <lzma.h>

#include "codecs/encoder_driver.h"

namespace mobrel {

// liblzma's settings for packLevel 1..9 (values outside are taken as the nearest valid
// level). Levels 1 to 6 are the library's presets 1 to 6; 7 to 9 are preset 6 searched
// harder ("extreme"): the presets above 6 would take 190 to 680 MiB to compress with and up to
// 64 MiB to read back. A file of known, smaller size gets a dictionary just large enough
// for it (at least 4 KiB), which saves that memory on small files and costs no ratio.
lzma_options_lzma LzmaOptionsFor(int packLevel, int64_t sizeHint);

// Raises EGeneralError naming the library's code.
[[noreturn]] void LzmaFailed(lzma_ret code);

// A liblzma encoder's state, released however the file ends. The owner starts it with one of
// the library's encoder initialisers on Stream().
class TLiblzmaStep : public TEncoderStep {
  public:
    TLiblzmaStep() = default;
    ~TLiblzmaStep() override { lzma_end(&stream_); }
    TLiblzmaStep(const TLiblzmaStep&) = delete;
    TLiblzmaStep& operator=(const TLiblzmaStep&) = delete;

    lzma_stream* Stream() { return &stream_; }
    bool Step(TCoderBuffers& buffers, bool finish) override;

  private:
    lzma_stream stream_ = LZMA_STREAM_INIT;
};

}  // namespace mobrel
