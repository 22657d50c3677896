#include "codecs/unreduce.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "codecs/decode_context.h"

namespace mobrel {

namespace {

constexpr size_t kWindowSize = 16384;
constexpr size_t kFollowerSetSize = 64;
constexpr uint8_t kEscape = 144;  // 0x90: introduces a match, or stands for itself
static_assert(kWindowSize + 256 * kFollowerSetSize <= TDecodeContext::kWindowBufferSize);

struct TFactorParameters {
    unsigned LengthMask;
    unsigned DistanceShift;
    unsigned DistanceMask;
};
constexpr std::array<TFactorParameters, 4> kFactors = {
    {{127, 7, 1}, {63, 6, 3}, {31, 5, 7}, {15, 4, 15}}};

// The bits needed to number count followers (8 for an empty set, never read).
constexpr unsigned FollowerIndexWidth(unsigned count) {
    if (count == 0) {
        return 8;
    }
    unsigned width = 1;
    while ((1u << width) < count) {
        ++width;
    }
    return width;
}

class TUnreducer {
  public:
    TUnreducer(TDecodeContext& context, const TFactorParameters& factor)
        : context_(context),
          factor_(factor),
          window_(context.Window()),
          followers_(context.Window() + kWindowSize) {}

    void Run();

  private:
    bool LoadFollowers();
    // The next byte of the stream; false when the input is used up or an index points
    // past its follower set (bad data).
    bool NextByte(uint8_t& c);
    void Store(uint8_t b) {
        window_[position_++] = b;
        ++produced_;
        if (position_ == kWindowSize) {
            context_.DeliverOutput(window_, kWindowSize);
            position_ = 0;
        }
    }
    void CopyMatch(unsigned length, unsigned distance);
    bool InputUsedUp() const { return context_.PastEnd(); }

    TDecodeContext& context_;
    const TFactorParameters factor_;
    uint8_t* const window_;
    uint8_t* const followers_;
    std::array<uint8_t, 256> followerCounts_{};
    uint8_t last_ = 0;
    size_t position_ = 0;
    int64_t produced_ = 0;
};

bool TUnreducer::LoadFollowers() {
    std::memset(followers_, 0, 256 * kFollowerSetSize);
    for (int x = 255; x >= 0; --x) {
        const unsigned count = context_.ReadBits(6);
        followerCounts_[x] = static_cast<uint8_t>(count);
        for (unsigned i = 0; i < count; ++i) {
            followers_[x * kFollowerSetSize + i] = static_cast<uint8_t>(context_.ReadBits(8));
        }
    }
    return !InputUsedUp();
}

bool TUnreducer::NextByte(uint8_t& c) {
    const unsigned count = followerCounts_[last_];
    if (count == 0 || context_.ReadBits(1) == 1) {
        c = static_cast<uint8_t>(context_.ReadBits(8));
    } else {
        const unsigned index = context_.ReadBits(FollowerIndexWidth(count));
        if (index >= count) {
            return false;
        }
        c = followers_[last_ * kFollowerSetSize + index];
    }
    return !InputUsedUp();
}

// Byte by byte, so a short distance repeats bytes; a source before the first byte of the
// entry gives zero bytes, never what the window held before.
void TUnreducer::CopyMatch(unsigned length, unsigned distance) {
    for (unsigned i = 0; i < length; ++i) {
        const uint8_t b = produced_ >= static_cast<int64_t>(distance)
                              ? window_[(position_ + kWindowSize - distance) % kWindowSize]
                              : 0;
        Store(b);
    }
}

void TUnreducer::Run() {
    if (!LoadFollowers()) {
        return;
    }
    int64_t left = context_.UncompressedSize();
    int state = 0;
    unsigned value = 0;
    unsigned length = 0;
    while (left > 0) {
        uint8_t c = 0;
        if (!NextByte(c)) {
            return;  // bad data or no more input: the CRC check reports the entry
        }
        switch (state) {
            case 0:
                if (c == kEscape) {
                    state = 1;
                } else {
                    Store(c);
                    --left;
                }
                break;
            case 1:
                if (c == 0) {
                    Store(kEscape);
                    --left;
                    state = 0;
                } else {
                    value = c;
                    length = value & factor_.LengthMask;
                    state = length == factor_.LengthMask ? 2 : 3;
                }
                break;
            case 2:
                length += c;
                state = 3;
                break;
            default: {
                const unsigned count = length + 3;
                const unsigned distance =
                    ((value >> factor_.DistanceShift) & factor_.DistanceMask) * 256 + c + 1;
                left -= count;
                CopyMatch(count, distance);
                state = 0;
            }
        }
        last_ = c;
    }
    context_.DeliverOutput(window_, position_);
    context_.FlushOutput();
}

}  // namespace

void Unreduce(TDecodeContext& context, int factor) {
    if (factor < 1 || factor > 4) {
        return;
    }
    TUnreducer unreducer(context, kFactors[static_cast<size_t>(factor - 1)]);
    unreducer.Run();
}

}  // namespace mobrel
