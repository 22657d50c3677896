#include "codecs/huffman_tree.h"

#include <algorithm>
#include <iterator>

#include "codecs/canonical_codes.h"

namespace mobrel {

namespace {
constexpr int kSmallest = 1;  // heap index of the least frequent node
}

void THuffmanTreeBuilder::BuildTree(THuffmanTree& tree, const TTreeDescription& description,
                                    TBlockBitCounts& counts) {
    FillHeap(tree, description, counts);
    for (int n = heapLen_ / 2; n >= 1; --n) {
        SiftDown(tree, n);
    }
    CombineNodes(tree, description.Elements);
    AssignCodeLengths(tree, description, counts);
    AssignCanonicalCodes(tree.Len, tree.Code, tree.MaxCode, countPerLength_);
}

void THuffmanTreeBuilder::FillHeap(THuffmanTree& tree, const TTreeDescription& description,
                                   TBlockBitCounts& counts) {
    heapLen_ = 0;
    heapMax_ = kHeapSize;
    int maxCode = -1;
    for (int n = 0; n < description.Elements; ++n) {
        if (tree.Freq[n] != 0) {
            heap_[++heapLen_] = maxCode = n;
            depth_[n] = 0;
        } else {
            tree.Len[n] = 0;
        }
    }
    // The format needs at least one distance code and at least one bit per code, so a
    // tree always gets two codes; the padding costs nothing in the estimates (codes 0 and
    // 1 have no extra bits).
    while (heapLen_ < 2) {
        const int added = maxCode < 2 ? ++maxCode : 0;
        heap_[++heapLen_] = added;
        tree.Freq[added] = 1;
        depth_[added] = 0;
        counts.Optimal -= 1;
        if (description.FixedLengths != nullptr) {
            counts.Fixed -= description.FixedLengths[added];
        }
    }
    tree.MaxCode = maxCode;
}

void THuffmanTreeBuilder::CombineNodes(THuffmanTree& tree, int nextNode) {
    do {
        const int n = heap_[kSmallest];
        heap_[kSmallest] = heap_[heapLen_--];
        SiftDown(tree, kSmallest);
        const int m = heap_[kSmallest];

        heap_[--heapMax_] = n;
        heap_[--heapMax_] = m;

        tree.Freq[nextNode] = tree.Freq[n] + tree.Freq[m];
        depth_[nextNode] = static_cast<uint8_t>(std::max(depth_[n], depth_[m]) + 1);
        tree.Dad[n] = tree.Dad[m] = static_cast<uint16_t>(nextNode);
        heap_[kSmallest] = nextNode++;
        SiftDown(tree, kSmallest);
    } while (heapLen_ >= 2);
    heap_[--heapMax_] = heap_[kSmallest];
}

void THuffmanTreeBuilder::SiftDown(const THuffmanTree& tree, int k) {
    const int v = heap_[k];
    int j = k << 1;
    while (j <= heapLen_) {
        if (j < heapLen_ && Smaller(tree, heap_[j + 1], heap_[j])) {
            ++j;
        }
        if (Smaller(tree, v, heap_[j])) {
            break;
        }
        heap_[k] = heap_[j];
        k = j;
        j <<= 1;
    }
    heap_[k] = v;
}

void THuffmanTreeBuilder::AssignCodeLengths(THuffmanTree& tree, const TTreeDescription& description,
                                            TBlockBitCounts& counts) {
    std::fill(std::begin(countPerLength_), std::end(countPerLength_), 0);
    // Every node pushed past the limit counts, internal ones too: a capped subtree of k
    // leaves adds k - 1/2 codes' worth of excess, so counting leaves alone would leave the
    // code over-subscribed and the stream undecodable.
    int overflow = 0;
    tree.Len[heap_[heapMax_]] = 0;  // the root
    for (int h = heapMax_ + 1; h < kHeapSize; ++h) {
        const int n = heap_[h];
        int bits = tree.Len[tree.Dad[n]] + 1;
        if (bits > description.MaxLength) {
            bits = description.MaxLength;
            ++overflow;
        }
        tree.Len[n] = static_cast<uint16_t>(bits);
        if (n > tree.MaxCode) {
            continue;  // internal node
        }
        ++countPerLength_[bits];
        const int extra =
            n >= description.ExtraBase ? description.ExtraBits[n - description.ExtraBase] : 0;
        const int64_t freq = tree.Freq[n];
        counts.Optimal += freq * (bits + extra);
        if (description.FixedLengths != nullptr) {
            counts.Fixed += freq * (description.FixedLengths[n] + extra);
        }
    }
    if (overflow > 0) {
        RepairOverflow(tree, description, counts, overflow);
    }
}

void THuffmanTreeBuilder::RepairOverflow(THuffmanTree& tree, const TTreeDescription& description,
                                         TBlockBitCounts& counts, int overflow) {
    const int maxLength = description.MaxLength;
    // Each step moves a leaf one level down and pairs it with an overflowed leaf.
    do {
        int bits = maxLength - 1;
        while (bits > 1 && countPerLength_[bits] == 0) {
            --bits;
        }
        --countPerLength_[bits];
        countPerLength_[bits + 1] += 2;
        --countPerLength_[maxLength];
        overflow -= 2;
    } while (overflow > 0);

    // Hand the lengths out again, longest first, to the leaves in order of increasing
    // frequency.
    int h = kHeapSize;
    for (int bits = maxLength; bits != 0; --bits) {
        int n = countPerLength_[bits];
        while (n != 0) {
            const int m = heap_[--h];
            if (m > tree.MaxCode) {
                continue;
            }
            if (tree.Len[m] != bits) {
                counts.Optimal += (static_cast<int64_t>(bits) - tree.Len[m]) * tree.Freq[m];
                tree.Len[m] = static_cast<uint16_t>(bits);
            }
            --n;
        }
    }
}

}  // namespace mobrel
