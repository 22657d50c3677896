#pragma once
// A decoding context over bytes in memory: the compressed data comes from a span (not
// copied; it must outlive the context's use) and the decoded bytes are collected in a
// vector, or only counted. For tests, benchmarks and fuzzers, and for callers that hold
// an entry's data in memory.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codecs/decode_context.h"

namespace mobrel {

class TMemoryDecodeContext : public TDecodeContext {
  public:
    explicit TMemoryDecodeContext(std::span<const uint8_t> archive) : archive_(archive) {}

    // Another entry's data, decoded in the same buffers (call Start next).
    void SetArchive(std::span<const uint8_t> archive) { archive_ = archive; }

    // Starts an entry whose compressed data is the first compressedSize bytes of the
    // span (a size beyond the span's end makes the read fail as a short archive does).
    // More than outputLimit decoded bytes raise EBiggerThanUncompressed.
    void Start(int64_t compressedSize, int64_t outputLimit);
    void Start(int64_t outputLimit) { Start(static_cast<int64_t>(archive_.size()), outputLimit); }

    // When false, decoded bytes are counted (and checked against the limit) but dropped.
    void SetKeepOutput(bool keep) { keepOutput_ = keep; }
    const std::vector<uint8_t>& Output() const { return output_; }
    int FlushCount() const { return flushCount_; }

  protected:
    void ReadArchive(uint8_t* buffer, size_t count) override;
    void WriteTarget(const uint8_t* data, size_t count) override;
    void OutputFlushed(size_t count) override;

  private:
    std::span<const uint8_t> archive_;
    size_t readPosition_ = 0;
    int64_t outputLimit_ = 0;
    int64_t written_ = 0;
    bool keepOutput_ = true;
    std::vector<uint8_t> output_;
    int flushCount_ = 0;
};

}  // namespace mobrel
