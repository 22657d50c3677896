#include "platform/stream.h"

#include <algorithm>
#include <vector>

#include "platform/engine_errors.h"

namespace mobrel {

int64_t TStream::Size() {
    const int64_t here = Position();
    const int64_t end = Seek(0, soEnd);
    Seek(here, soBeginning);
    return end;
}

void TStream::ReadBuffer(void* data, int64_t count) {
    if (count != 0 && Read(data, count) != count) {
        throw EStreamError("Stream read error");
    }
}

void TStream::WriteBuffer(const void* data, int64_t count) {
    if (count != 0 && Write(data, count) != count) {
        throw EStreamError("Stream write error");
    }
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr int64_t kChunk = 64 * 1024;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, kChunk)));
    int64_t copied = 0;
    while (copied < count) {
        const int64_t want = std::min(count - copied, kChunk);
        source.ReadBuffer(buffer.data(), want);
        WriteBuffer(buffer.data(), want);
        copied += want;
    }
    return copied;
}

std::string ReadText(TStream& stream, size_t count) {
    std::string text(count, '\0');
    const int64_t got = stream.Read(text.data(), static_cast<int64_t>(count));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

}  // namespace mobrel
