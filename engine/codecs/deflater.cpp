#include "codecs/deflater.h"

#include <algorithm>

namespace mobrel {

TDeflateResult TDeflater::deflate(int packLevel, const TDeflateReadRoutine& read,
                                  const TDeflateWriteRoutine& write) {
    packLevel = std::clamp(packLevel, 1, 9);
    const TDeflateTuning& tuning = kDeflateTuning[packLevel];
    out_.Start(&write);
    blocks_.StartFile(packLevel, &out_);
    matcher_.Start(&read);

    if (tuning.FastParsing) {
        DeflateFast(tuning);
    } else {
        DeflateLazy(tuning);
    }

    TDeflateResult result;
    result.CompressionMethod = blocks_.CompressionMethod();
    result.CompressedSize = out_.BytesWritten();
    result.UncompressedSize = matcher_.BytesRead();
    result.GeneralPurposeFlags = FlagsForLevel(packLevel);
    result.InternalAttributes = blocks_.InternalAttributes();
    return result;
}

uint16_t TDeflater::FlagsForLevel(int packLevel) {
    if (packLevel <= 2) {
        return kFlagFastCompression;
    }
    if (packLevel >= 8) {
        return kFlagMaximumCompression;
    }
    return 0;
}

void TDeflater::FlushBlock(bool endOfInput) {
    blocks_.FlushBlock(matcher_.BlockData(), matcher_.BlockLength(), endOfInput);
}

// Greedy parsing: take the longest match at each position, or a literal.
void TDeflater::DeflateFast(const TDeflateTuning& tuning) {
    TMatchFinder& m = matcher_;
    while (m.Lookahead != 0) {
        const uint32_t candidate = m.Lookahead >= kMinMatch ? m.InsertString(m.Position) : 0;
        uint32_t matchLength = 0;
        if (candidate != 0 && m.Position - candidate <= kMaxDistance) {
            matchLength = std::min(m.LongestMatch(candidate, kMinMatch - 1, tuning), m.Lookahead);
        }

        bool flush;
        if (matchLength >= kMinMatch) {
            flush = blocks_.Tally(m.Position - m.MatchStart, matchLength - kMinMatch,
                                  m.BlockInputLength());
            const uint32_t dataEnd = m.Position + m.Lookahead;
            m.Lookahead -= matchLength;
            const uint32_t matchEnd = m.Position + matchLength;
            if (matchLength <= tuning.LazyLength) {
                // Short matches: every string inside stays findable.
                while (++m.Position < matchEnd) {
                    if (m.Position + kMinMatch <= dataEnd) {
                        m.InsertString(m.Position);
                    }
                }
            } else {
                // Long matches are skipped over; inserting them costs more than it finds.
                m.Position = matchEnd;
                m.PrimeHash(m.Position);
            }
        } else {
            flush = blocks_.Tally(0, m.ByteAt(m.Position), m.BlockInputLength());
            --m.Lookahead;
            ++m.Position;
        }
        if (flush) {
            FlushBlock(false);
            m.BlockStart = m.Position;
        }
        m.FillWindow();
    }
    FlushBlock(true);
}

// Lazy parsing: a match is emitted only when the next position does not start a longer
// one; otherwise its first byte goes out as a literal and the longer match is taken.
void TDeflater::DeflateLazy(const TDeflateTuning& tuning) {
    TMatchFinder& m = matcher_;
    uint32_t matchLength = kMinMatch - 1;
    bool literalPending = false;
    while (m.Lookahead != 0) {
        const uint32_t candidate = m.Lookahead >= kMinMatch ? m.InsertString(m.Position) : 0;
        const uint32_t prevLength = matchLength;
        const uint32_t prevStart = m.MatchStart;
        matchLength = kMinMatch - 1;

        if (candidate != 0 && prevLength < tuning.LazyLength &&
            m.Position - candidate <= kMaxDistance) {
            matchLength = std::min(m.LongestMatch(candidate, prevLength, tuning), m.Lookahead);
            // A 3-byte match far back costs about as much as three literals.
            if (matchLength == kMinMatch && m.Position - m.MatchStart > kTooFar) {
                --matchLength;
            }
        }

        if (prevLength >= kMinMatch && matchLength <= prevLength) {
            const bool flush = blocks_.Tally(m.Position - 1 - prevStart, prevLength - kMinMatch,
                                             m.BlockInputLength());
            // The match began one position back; the strings at its first two positions
            // are already in the hash.
            const uint32_t dataEnd = m.Position + m.Lookahead;
            m.Lookahead -= prevLength - 1;
            const uint32_t matchEnd = m.Position + prevLength - 1;
            while (++m.Position < matchEnd) {
                if (m.Position + kMinMatch <= dataEnd) {
                    m.InsertString(m.Position);
                }
            }
            literalPending = false;
            matchLength = kMinMatch - 1;
            if (flush) {
                FlushBlock(false);
                m.BlockStart = m.Position;
            }
        } else if (literalPending) {
            if (blocks_.Tally(0, m.ByteAt(m.Position - 1), m.BlockInputLength())) {
                FlushBlock(false);
                m.BlockStart = m.Position;
            }
            ++m.Position;
            --m.Lookahead;
        } else {
            literalPending = true;
            ++m.Position;
            --m.Lookahead;
        }
        m.FillWindow();
    }
    if (literalPending) {
        blocks_.Tally(0, m.ByteAt(m.Position - 1), m.BlockInputLength());
    }
    FlushBlock(true);
}

}  // namespace mobrel
