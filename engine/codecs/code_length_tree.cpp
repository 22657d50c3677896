#include "codecs/code_length_tree.h"

#include <algorithm>

namespace mobrel {

namespace {

const TTreeDescription kCodeLengthDescription = {nullptr, kExtraBitLengthBits, 0, kBitLengthCodes,
                                                 kMaxBitLengthBits};

// Marks the end of the lengths so the last run ends there.
constexpr uint16_t kEndMark = 0xFFFF;

}  // namespace

void TCodeLengthTree::Reset() {
    std::fill(Tree.Freq, Tree.Freq + kBitLengthCodes, 0);
}

TCodeLengthTree::TRunLimits TCodeLengthTree::FirstRunLimits(int firstLength) {
    return firstLength == 0 ? TRunLimits{138, 3} : TRunLimits{7, 4};
}

TCodeLengthTree::TRunLimits TCodeLengthTree::NextRunLimits(int endedLength, int nextLength) {
    if (nextLength == 0) {
        return {138, 3};
    }
    if (endedLength == nextLength) {
        return {6, 3};  // the run stopped at its maximum; the length itself was already sent
    }
    return {7, 4};
}

void TCodeLengthTree::CountLengthsOf(THuffmanTree& tree, int maxCode) {
    int previousLength = -1;
    int nextLength = tree.Len[0];
    int count = 0;
    TRunLimits limits = FirstRunLimits(nextLength);
    tree.Len[maxCode + 1] = kEndMark;

    for (int n = 0; n <= maxCode; ++n) {
        const int length = nextLength;
        nextLength = tree.Len[n + 1];
        if (++count < limits.MaxCount && length == nextLength) {
            continue;
        }
        if (count < limits.MinCount) {
            Tree.Freq[length] += count;
        } else if (length != 0) {
            if (length != previousLength) {
                ++Tree.Freq[length];
            }
            ++Tree.Freq[kRepeatPrevious3To6];
        } else if (count <= 10) {
            ++Tree.Freq[kRepeatZero3To10];
        } else {
            ++Tree.Freq[kRepeatZero11To138];
        }
        count = 0;
        previousLength = length;
        limits = NextRunLimits(length, nextLength);
    }
}

int TCodeLengthTree::BuildCodeLengthTree(THuffmanTreeBuilder& builder, TBlockBitCounts& counts) {
    builder.BuildTree(Tree, kCodeLengthDescription, counts);
    int lastIndex = kBitLengthCodes - 1;
    for (; lastIndex >= 3; --lastIndex) {
        if (Tree.Len[kBitLengthOrder[lastIndex]] != 0) {
            break;
        }
    }
    // 3 bits per code length sent, plus the three counts of the block header.
    counts.Optimal += 3 * (lastIndex + 1) + 5 + 5 + 4;
    return lastIndex + 1;
}

void TCodeLengthTree::SendOwnLengths(int count, TBitWriter& out) const {
    for (int rank = 0; rank < count; ++rank) {
        out.WriteBits(Tree.Len[kBitLengthOrder[rank]], 3);
    }
}

void TCodeLengthTree::WriteLengthsOf(const THuffmanTree& tree, int maxCode, TBitWriter& out) const {
    int previousLength = -1;
    int nextLength = tree.Len[0];
    int count = 0;
    TRunLimits limits = FirstRunLimits(nextLength);
    // The end mark put behind maxCode by CountLengthsOf is still in place.

    for (int n = 0; n <= maxCode; ++n) {
        const int length = nextLength;
        nextLength = tree.Len[n + 1];
        if (++count < limits.MaxCount && length == nextLength) {
            continue;
        }
        if (count < limits.MinCount) {
            do {
                SendCode(length, out);
            } while (--count != 0);
        } else if (length != 0) {
            if (length != previousLength) {
                SendCode(length, out);
                --count;
            }
            SendCode(kRepeatPrevious3To6, out);
            out.WriteBits(static_cast<uint32_t>(count - 3), 2);
        } else if (count <= 10) {
            SendCode(kRepeatZero3To10, out);
            out.WriteBits(static_cast<uint32_t>(count - 3), 3);
        } else {
            SendCode(kRepeatZero11To138, out);
            out.WriteBits(static_cast<uint32_t>(count - 11), 7);
        }
        count = 0;
        previousLength = length;
        limits = NextRunLimits(length, nextLength);
    }
}

}  // namespace mobrel
