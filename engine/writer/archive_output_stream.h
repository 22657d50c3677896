#pragma once
// The stream an archive is written through: buffered, and strict where a plain stream is
// lenient. A write the medium does not take in full ends the operation as a full disk, and
// nothing may pass the 4 GiB that the format's 32-bit sizes and offsets can address.
#include <cstdint>
#include <memory>

#include "platform/buffer_stream.h"
#include "platform/stream.h"

namespace mobrel {

inline constexpr const char* kNotEnoughRoom = "Not enough room to write archive";

class TArchiveOutputStream : public TStream {
  public:
    // The largest archive whose every offset fits the format's 32-bit fields.
    static constexpr int64_t kMaxArchiveSize = 0xFFFFFFFF;
    static constexpr int32_t kBufferSize = 65536;

    // target is owned. With commitOnFinish, Finish commits a file target to the disk.
    TArchiveOutputStream(std::unique_ptr<TStream> target, bool commitOnFinish);
    ~TArchiveOutputStream() override;
    TArchiveOutputStream(const TArchiveOutputStream&) = delete;
    TArchiveOutputStream& operator=(const TArchiveOutputStream&) = delete;

    int64_t Read(void* data, int64_t count) override;
    // All of count or an exception: ENotEnoughRoom when the medium takes fewer bytes,
    // EFormatLimit when the archive would pass kMaxArchiveSize.
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
