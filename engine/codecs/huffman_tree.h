#pragma once
// One Huffman tree of a deflate block and how to build it: code lengths limited to the
// tree's maximum, then canonical codes.
#include <cstdint>

#include "codecs/deflate_constants.h"

namespace mobrel {

// Nodes 0..Elements-1 are the codes (leaves); internal nodes are numbered upward from
// there while the tree is built.
struct THuffmanTree {
    uint32_t Freq[kHeapSize];
    uint16_t Dad[kHeapSize];
    // One more than the largest tree so the code-length scan can put its end mark behind
    // the last used code.
    uint16_t Len[kHeapSize + 1];
    uint16_t Code[kHeapSize];
    int MaxCode = 0;  // largest code with a non-zero frequency, set by BuildTree
};

// What is constant about a tree: its size, its length limit, its extra bits and (for the
// literal/length and distance trees) the lengths of the fixed code.
struct TTreeDescription {
    const uint16_t* FixedLengths;  // nullptr for the code-length tree
    const uint8_t* ExtraBits;
    int ExtraBase;  // first code with extra bits
    int Elements;
    int MaxLength;
};

// Running bit counts of a block in its two codings; both may be adjusted downward while
// trees are built, hence signed.
struct TBlockBitCounts {
    int64_t Optimal = 0;  // with the dynamic trees, including their description
    int64_t Fixed = 0;    // with the fixed codes
};

class THuffmanTreeBuilder {
  public:
    // Sets tree.Len and tree.Code of every code from tree.Freq and adds the block's cost
    // in this tree to counts. Fewer than two used codes are padded with artificial ones so
    // every tree has at least one bit per code.
    void BuildTree(THuffmanTree& tree, const TTreeDescription& description,
                   TBlockBitCounts& counts);

  private:
    void FillHeap(THuffmanTree& tree, const TTreeDescription& description, TBlockBitCounts& counts);
    void CombineNodes(THuffmanTree& tree, int nextNode);
    void SiftDown(const THuffmanTree& tree, int k);
    bool Smaller(const THuffmanTree& tree, int n, int m) const {
        return tree.Freq[n] < tree.Freq[m] ||
               (tree.Freq[n] == tree.Freq[m] && depth_[n] <= depth_[m]);
    }
    void AssignCodeLengths(THuffmanTree& tree, const TTreeDescription& description,
                           TBlockBitCounts& counts);
    void RepairOverflow(THuffmanTree& tree, const TTreeDescription& description,
                        TBlockBitCounts& counts, int overflow);

    // heap_[1..heapLen_] is the priority queue; heap_[heapMax_..kHeapSize-1] collects the
    // nodes as they leave it, so it ends sorted by decreasing frequency from the root.
    int heap_[kHeapSize];
    int heapLen_ = 0;
    int heapMax_ = 0;
    uint8_t depth_[kHeapSize];
    uint16_t countPerLength_[kMaxBits + 1];
};

}  // namespace mobrel
