#pragma once
// The third tree of a dynamic block: it codes the code lengths of the literal/length and
// distance trees, with repeat codes for runs.
#include <cstdint>

#include "codecs/bit_writer.h"
#include "codecs/huffman_tree.h"

namespace mobrel {

class TCodeLengthTree {
  public:
    // Clears the frequencies for a new block.
    void Reset();
    // Counts the symbols that will describe tree's lengths 0..maxCode.
    void CountLengthsOf(THuffmanTree& tree, int maxCode);
    // Builds the tree from the counts and returns how many of its code lengths are sent
    // (at least 4); counts grow by the size of the whole tree description.
    int BuildCodeLengthTree(THuffmanTreeBuilder& builder, TBlockBitCounts& counts);
    // Sends the first `count` code lengths of this tree in the transmission order.
    void SendOwnLengths(int count, TBitWriter& out) const;
    // Sends tree's lengths 0..maxCode with this tree's codes (after CountLengthsOf).
    void WriteLengthsOf(const THuffmanTree& tree, int maxCode, TBitWriter& out) const;

    THuffmanTree Tree;

  private:
    // A run of equal lengths and the limits that apply to it.
    struct TRunLimits {
        int MaxCount;
        int MinCount;
    };
    static TRunLimits FirstRunLimits(int firstLength);
    static TRunLimits NextRunLimits(int endedLength, int nextLength);
    void SendCode(int symbol, TBitWriter& out) const {
        out.WriteBits(Tree.Code[symbol], Tree.Len[symbol]);
    }
};

}  // namespace mobrel
