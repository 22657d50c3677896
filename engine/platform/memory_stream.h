#pragma once
// A stream over a growable block of memory.
#include <cstdint>
#include <vector>

#include "platform/stream.h"

namespace mobrel {

class TMemoryStream : public TStream {
  public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    int64_t Read(void* data, int64_t count) override;
    int64_t Write(const void* data, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;
    int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::vector<uint8_t>& Bytes() { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
    int64_t position_ = 0;
};

}  // namespace mobrel
