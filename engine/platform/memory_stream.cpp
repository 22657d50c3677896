#include "platform/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/engine_errors.h"

namespace mobrel {

int64_t TMemoryStream::Read(void* data, int64_t count) {
    const int64_t available = std::max<int64_t>(0, Size() - position_);
    const int64_t n = std::clamp<int64_t>(count, 0, available);
    if (n > 0) {
        std::memcpy(data, bytes_.data() + position_, static_cast<size_t>(n));
        position_ += n;
    }
    return n;
}

int64_t TMemoryStream::Write(const void* data, int64_t count) {
    if (count <= 0) {
        return 0;
    }
    if (position_ + count > Size()) {
        bytes_.resize(static_cast<size_t>(position_ + count));
    }
    std::memcpy(bytes_.data() + position_, data, static_cast<size_t>(count));
    position_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    switch (origin) {
        case soBeginning:
            position_ = offset;
            break;
        case soCurrent:
            position_ += offset;
            break;
        case soEnd:
            position_ = Size() + offset;
            break;
        default:
            throw EGeneralError("Invalid seek origin (" + std::to_string(int(origin)) + ")");
    }
    position_ = std::max<int64_t>(0, position_);
    return position_;
}

void TMemoryStream::SetSize(int64_t size) {
    bytes_.resize(static_cast<size_t>(std::max<int64_t>(0, size)));
    position_ = std::min(position_, Size());
}

}  // namespace mobrel
