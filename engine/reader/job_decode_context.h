#pragma once
// The decoding context of a worker: compressed bytes come from the archive file at the
// job's offset, decoded bytes go to the job's output file (or nowhere in test mode), and
// every flush is recorded rather than reported, for the caller to replay as progress. A
// stop request is honoured at the next block read or written.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/decode_context.h"

namespace mobrel {

class TArchiveFileReader;
class TStream;

class TJobDecodeContext : public TDecodeContext {
  public:
    TJobDecodeContext(const TArchiveFileReader& archive, const std::atomic<bool>& stop);

    // Points the context at one job's data (its first byte after any encryption header),
    // its output (nullptr discards) and its record of flushes.
    void Bind(int64_t dataOffset, TStream* output, std::vector<uint32_t>* flushes);
    // Raw archive bytes after what the decoder took, such as an authentication code.
    void ReadRaw(uint8_t* buffer, size_t count) { ReadArchive(buffer, count); }

  protected:
    void ReadArchive(uint8_t* buffer, size_t count) override;
    void WriteTarget(const uint8_t* data, size_t count) override;
    void OutputFlushed(size_t count) override;

  private:
    void CheckStop() const;

    const TArchiveFileReader& archive_;
    const std::atomic<bool>& stop_;
    int64_t offset_ = 0;
    TStream* output_ = nullptr;
    std::vector<uint32_t>* flushes_ = nullptr;
};

}  // namespace mobrel
