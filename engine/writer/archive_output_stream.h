#pragma once
// The stream an archive is written through: buffered, and strict where a plain stream is
// lenient. A write the medium does not take in full ends the operation as a full disk.
#include <cstdint>
#include <memory>

#include "platform/buffer_stream.h"
#include "platform/stream.h"

namespace mobrel {

inline constexpr const char* kNotEnoughRoom = "Not enough room to write archive";

class TArchiveOutputStream : public TStream {
  public:
    static constexpr int32_t kBufferSize = 65536;

    // target is owned. With commitOnFinish, Finish commits a file target to the disk.
    TArchiveOutputStream(std::unique_ptr<TStream> target, bool commitOnFinish);
    ~TArchiveOutputStream() override;
    TArchiveOutputStream(const TArchiveOutputStream&) = delete;
    TArchiveOutputStream& operator=(const TArchiveOutputStream&) = delete;

    int64_t Read(void* data, int64_t count) override;
    // All of count or ENotEnoughRoom when the medium takes fewer bytes.
    int64_t Write(const void* data, int64_t count) override;
    // Pending bytes go out first (ENotEnoughRoom when they don't fit).
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;
    int64_t Size() override;

    // Writes out every pending byte (ENotEnoughRoom when they don't fit) and commits.
    void Finish();

  private:
    void FlushPending();

    std::unique_ptr<TStream> target_;
    std::unique_ptr<TS_BufferStream> buffer_;  // destroyed before the target it writes to
    bool commitOnFinish_;
};

}  // namespace mobrel
