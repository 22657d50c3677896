// The buffered stream against an unbuffered model: any mix of reads, writes, seeks,
// put-backs and size changes must leave both with the same bytes and positions.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/buffer_stream.h"
#include "platform/memory_stream.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

class TInput {
  public:
    TInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Empty() const { return pos_ >= size_; }
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    int Small() { return Byte() % 64; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TInput input(data, size);
    const int bufferSize = 1 + input.Byte() % 16;
    mobrel::TMemoryStream model;
    mobrel::TMemoryStream backing;
    {
        mobrel::TS_BufferStream stream(backing, bufferSize);
        std::vector<uint8_t> got(64);
        std::vector<uint8_t> want(64);
        int lastRead = -1;  // the byte just read, while it may be put back
        while (!input.Empty()) {
            const int op = input.Byte() % 6;
            const int n = input.Small();
            if (op == 0) {
                const int64_t a = stream.Read(got.data(), n);
                const int64_t b = model.Read(want.data(), n);
                Check(a == b && std::equal(got.begin(), got.begin() + a, want.begin()));
                // A read that ran into the end leaves nothing to put back.
                lastRead = a > 0 && a == n ? got[static_cast<size_t>(a - 1)] : -1;
                continue;
            }
            if (op == 1) {
                std::vector<uint8_t> bytes(static_cast<size_t>(n), input.Byte());
                Check(stream.Write(bytes.data(), n) == n);
                model.Write(bytes.data(), n);
            } else if (op == 2) {
                Check(stream.Seek(n, mobrel::soBeginning) == model.Seek(n, mobrel::soBeginning));
            } else if (op == 3 && model.Position() <= model.Size()) {
                const int64_t back = std::min<int64_t>(n, model.Size());
                Check(stream.Seek(-back, mobrel::soEnd) == model.Seek(-back, mobrel::soEnd));
            } else if (op == 4 && lastRead >= 0) {
                stream.PutBack(static_cast<uint8_t>(lastRead));
                model.Seek(-1, mobrel::soCurrent);
            } else if (op == 5) {
                stream.SetSize(n);
                model.SetSize(n);
                Check(stream.Position() == model.Position());
            }
            lastRead = -1;
            Check(stream.Position() == model.Position());
            Check(stream.Size() == model.Size());
        }
    }
    Check(backing.Bytes() == model.Bytes());
    return 0;
}
