#pragma once
// The front half of the compressor: the sliding 64 KB window over the input, the hash
// chains that remember where each 3-byte string occurred, and the search for the longest
// earlier match of the string at the current position.
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

#include "codecs/deflate_constants.h"
#include "codecs/deflate_tuning.h"

namespace mobrel {

// Fills buffer with up to count bytes of the file being compressed and returns how many it
// delivered; 0 means the end of the input, and so does any value above count (an error
// value). Failures may also be exceptions, which end the compression.
using TDeflateReadRoutine = std::function<size_t(uint8_t* buffer, size_t count)>;

class TMatchFinder {
  public:
    TMatchFinder();

    // Starts a file: clears the window and the hash heads, reads the first bytes.
    void Start(const TDeflateReadRoutine* read);

    // Adds the string at p (which needs 3 bytes ahead) to its hash chain; returns the
    // previous position with the same hash (0 for none).
    uint32_t InsertString(uint32_t p) {
        Hash = ((Hash << kHashShift) ^ window_[p + kMinMatch - 1]) & kHashMask;
        const uint32_t candidate = head_[Hash];
        prev_[p & kChainMask] = static_cast<uint16_t>(candidate);
        head_[Hash] = static_cast<uint16_t>(p);
        // The next position's head is read next: asking for it now hides part of the wait
        // (head_ is larger than the first-level cache).
        __builtin_prefetch(&head_[((Hash << kHashShift) ^ window_[p + kMinMatch]) & kHashMask]);
        return candidate;
    }
    // Restarts the running hash from the two bytes at p, after a jump over a long match.
    void PrimeHash(uint32_t p) {
        Hash = ((static_cast<uint32_t>(window_[p]) << kHashShift) ^ window_[p + 1]) & kHashMask;
    }

    // Follows the chain from candidate for a match longer than prevLength; returns the best
    // length found (prevLength when none is longer) and, for a longer one, sets MatchStart.
    // The length may run past the bytes ahead; callers cap it at Lookahead.
    uint32_t LongestMatch(uint32_t candidate, uint32_t prevLength, const TDeflateTuning& tuning);

    // Reads more input while fewer than 262 bytes are ahead and the input lasts, sliding
    // the window when the position nears its end.
    void FillWindow() {
        while (Lookahead < kMinLookahead && !EndOfInput) {
            FillOnce();
        }
    }

    uint8_t ByteAt(uint32_t p) const { return window_[p]; }
    // The current block's input, or nullptr when its start has slid out of the window.
    const uint8_t* BlockData() const {
        return BlockStart >= 0 ? window_.get() + BlockStart : nullptr;
    }
    uint32_t BlockLength() const { return static_cast<uint32_t>(Position - BlockStart); }
    int64_t BlockInputLength() const { return Position - BlockStart; }
    uint64_t BytesRead() const { return bytesRead_; }

    uint32_t Position = 0;   // window index of the string being looked at
    uint32_t Lookahead = 0;  // input bytes from Position on
    int64_t BlockStart = 0;  // window index where the current block began; may go negative
    uint32_t MatchStart = 0;
    uint32_t Hash = 0;
    bool EndOfInput = false;

  private:
    void FillOnce();
    void Slide();
    size_t ReadInput(uint8_t* destination, size_t count);
    bool RefillInput();

    std::unique_ptr<uint8_t[]> window_;  // kWindowSize bytes plus zeroed padding
    std::unique_ptr<uint16_t[]> head_;   // per hash: latest position
    std::unique_ptr<uint16_t[]> prev_;   // per position (mod 32 KB): previous on its chain
    // The read routine fills this in large pieces (a file is read in few calls, and the
    // writer's per-read work runs seldom); the window takes its bytes from here.
    std::unique_ptr<uint8_t[]> input_;
    size_t inputStart_ = 0;
    size_t inputEnd_ = 0;
    const TDeflateReadRoutine* read_ = nullptr;
    bool sourceExhausted_ = false;
    uint64_t bytesRead_ = 0;
};

}  // namespace mobrel
