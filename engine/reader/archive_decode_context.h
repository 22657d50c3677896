#pragma once
// The decoding context of an extraction run: compressed bytes come from the reader's
// archive stream (with its cancel check and the continuation onto the next disk of a set)
// and decoded bytes go to the run's target (a file, a memory buffer, or nowhere in test
// mode), each flush reported as progress.
#include <cstddef>
#include <cstdint>

#include "codecs/decode_context.h"

namespace mobrel {

class TUnZipper;

class TArchiveDecodeContext : public TDecodeContext {
  public:
    explicit TArchiveDecodeContext(TUnZipper& owner) : owner_(owner) {}

  protected:
    void ReadArchive(uint8_t* buffer, size_t count) override;
    void WriteTarget(const uint8_t* data, size_t count) override;
    void OutputFlushed(size_t count) override;

  private:
    TUnZipper& owner_;
};

}  // namespace mobrel
