#include "codecs/unshrink.h"

#include <cstdint>
#include <new>

#include "codecs/decode_context.h"

namespace mobrel {

namespace {

constexpr int kTableSize = 8192;  // codes of at most 13 bits
constexpr unsigned kMaxCodeWidth = 13;
constexpr int kControlCode = 256;
constexpr int kFirstFreeCode = 257;
constexpr int16_t kFree = -1;

// The prefix table (8,193 signed 16-bit entries), the suffix table and the decoding
// stack, laid out in the window buffer.
constexpr size_t kSuffixOffset = 16390;
constexpr size_t kStackOffset = 24585;
static_assert(kStackOffset + kTableSize <= TDecodeContext::kWindowBufferSize);

class TUnshrinker {
  public:
    explicit TUnshrinker(TDecodeContext& context)
        : context_(context),
          prefix_(new (context.Window()) int16_t[kTableSize + 1]),
          suffix_(context.Window() + kSuffixOffset),
          stack_(context.Window() + kStackOffset) {}

    void Run();

  private:
    // The next code; false when the input is used up (the code then does not count).
    bool ReadCode(int& code) {
        code = static_cast<int>(context_.ReadBits(codeWidth_));
        return !context_.EndOfInput() && !context_.PastEnd();
    }
    void PartialClear();
    void AdvanceNextFree() {
        while (nextFree_ < kTableSize && prefix_[nextFree_] != kFree) {
            ++nextFree_;
        }
    }
    bool Push(uint8_t b) {
        if (stackCount_ >= kTableSize) {
            return false;  // a chain longer than the table has a loop: bad data
        }
        stack_[stackCount_++] = b;
        return true;
    }

    TDecodeContext& context_;
    int16_t* const prefix_;
    uint8_t* const suffix_;
    uint8_t* const stack_;
    unsigned codeWidth_ = 9;
    int nextFree_ = kFirstFreeCode;
    size_t stackCount_ = 0;
};

// Frees every code that is not the prefix of another code (a leaf of the code tree).
void TUnshrinker::PartialClear() {
    constexpr int16_t kMark = static_cast<int16_t>(0x4000);
    for (int code = kFirstFreeCode; code < kTableSize; ++code) {
        if (prefix_[code] != kFree) {
            prefix_[code] = static_cast<int16_t>(prefix_[code] | kMark);
        }
    }
    for (int code = kFirstFreeCode; code < kTableSize; ++code) {
        if (prefix_[code] == kFree) {
            continue;
        }
        const int parent = prefix_[code] & ~kMark;
        if (parent >= kFirstFreeCode && prefix_[parent] != kFree) {
            prefix_[parent] = static_cast<int16_t>(prefix_[parent] & ~kMark);
        }
    }
    for (int code = kFirstFreeCode; code < kTableSize; ++code) {
        if (prefix_[code] != kFree && (prefix_[code] & kMark) != 0) {
            prefix_[code] = kFree;
        }
    }
    nextFree_ = kFirstFreeCode;
    AdvanceNextFree();
}

void TUnshrinker::Run() {
    for (int code = 0; code <= kTableSize; ++code) {
        prefix_[code] = code < kControlCode ? 0 : kFree;
        if (code < kTableSize) {
            suffix_[code] = static_cast<uint8_t>(code < kControlCode ? code : 0);
        }
    }

    int code = 0;
    if (!ReadCode(code)) {
        context_.FlushOutput();
        return;
    }
    int previous = code;
    uint8_t firstChar = static_cast<uint8_t>(code);
    context_.PutOutputByte(firstChar);

    for (;;) {
        if (!ReadCode(code)) {
            break;
        }
        while (code == kControlCode) {
            int control = 0;
            if (!ReadCode(control)) {
                context_.FlushOutput();
                return;
            }
            if (control == 1) {
                if (codeWidth_ == kMaxCodeWidth) {
                    return;  // wider than the table: bad data
                }
                ++codeWidth_;
            } else if (control == 2) {
                PartialClear();
            }
            if (!ReadCode(code)) {
                context_.FlushOutput();
                return;
            }
        }

        const int thisCode = code;
        stackCount_ = 0;
        if (prefix_[code] == kFree) {
            // Not defined yet: the previous string plus its own first character.
            Push(firstChar);
            code = previous;
        }
        while (code >= kFirstFreeCode) {
            if (prefix_[code] == kFree) {
                if (!Push(firstChar)) {
                    return;
                }
                code = previous;
            } else {
                if (!Push(suffix_[code])) {
                    return;
                }
                code = prefix_[code];
            }
        }
        firstChar = suffix_[code];
        if (!Push(firstChar)) {
            return;
        }
        while (stackCount_ > 0) {
            context_.PutOutputByte(stack_[--stackCount_]);
        }

        if (nextFree_ < kTableSize) {
            prefix_[nextFree_] = static_cast<int16_t>(previous);
            suffix_[nextFree_] = firstChar;
            ++nextFree_;
            AdvanceNextFree();
        }
        previous = thisCode;
    }
    context_.FlushOutput();
}

}  // namespace

void Unshrink(TDecodeContext& context) {
    TUnshrinker unshrinker(context);
    unshrinker.Run();
}

}  // namespace mobrel
