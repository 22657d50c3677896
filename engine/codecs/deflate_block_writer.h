#pragma once
// The back half of the compressor: it tallies the literals and matches the matcher finds,
// decides where a block ends, and writes each block as stored, fixed-code or dynamic-code,
// whichever is shortest (fixed on a tie). At the end of a file that fits in one block it
// may store the whole file instead, without any block header.
#include <cstdint>
#include <memory>

#include "codecs/bit_writer.h"
#include "codecs/code_length_tree.h"
#include "codecs/deflate_code_tables.h"
#include "codecs/huffman_tree.h"
#include "format/compression_method.h"

namespace mobrel {

// Internal-attributes values: bit 0 marks text.
inline constexpr uint16_t kAttributesBinary = 0;
inline constexpr uint16_t kAttributesText = 1;
inline constexpr uint16_t kAttributesUnknown = 2;

class TDeflateBlockWriter {
  public:
    TDeflateBlockWriter();

    // Starts a file at packLevel, writing through out.
    void StartFile(int packLevel, TBitWriter* out);

    // Records a literal (distance 0, lc = the byte) or a match (distance 1..32,506,
    // lc = length - 3). blockInputLength is how many input bytes the block covers so far.
    // Returns whether the block should end now.
    bool Tally(uint32_t distance, uint32_t lc, int64_t blockInputLength) {
        literals_[lastLit_] = static_cast<uint8_t>(lc);
        distances_[lastLit_] = static_cast<uint16_t>(distance);
        ++lastLit_;
        if (distance == 0) {
            ++literalTree_.Freq[lc];
        } else {
            ++lastDist_;
            ++literalTree_.Freq[tables_.LengthCode[lc] + kLiterals + 1];
            ++distanceTree_.Freq[tables_.DistanceCodeOf(distance - 1)];
        }
        if (packLevel_ > 2 && (lastLit_ & 0xFFF) == 0 && CompressesWellEnough(blockInputLength)) {
            return true;
        }
        return lastLit_ == kLiteralBufferSize - 1 || lastDist_ == kDistanceBufferSize;
    }

    // Writes the block tallied so far. data is the block's input (nullptr when it has
    // already slid out of the window, which rules out storing it); storedLength its size.
    // Returns the compressed length of the file so far in bytes, final at the last block.
    uint64_t FlushBlock(const uint8_t* data, uint32_t storedLength, bool endOfInput);

    uint16_t CompressionMethod() const { return method_; }
    uint16_t InternalAttributes() const { return attributes_; }

  private:
    void StartBlock();
    bool CompressesWellEnough(int64_t blockInputLength) const;
    void DetectTextOrBinary();
    void BuildTrees();
    void WriteDynamicTrees(int literalCodes, int distanceCodes, int bitLengthCodes);
    void WriteBlockSymbols(const uint16_t* literalCodes, const uint16_t* literalLengths,
                           const uint16_t* distanceCodes, const uint16_t* distanceLengths);
    void SendStoredBlock(const uint8_t* data, uint32_t storedLength, bool endOfInput);
    void SendFixedBlock(bool endOfInput);
    void SendDynamicBlock(bool endOfInput);

    const TDeflateCodeTables& tables_;
    TTreeDescription literalDescription_;
    TTreeDescription distanceDescription_;
    TBitWriter* out_ = nullptr;
    int packLevel_ = 6;

    THuffmanTree literalTree_;
    THuffmanTree distanceTree_;
    TCodeLengthTree bitLengthTree_;
    THuffmanTreeBuilder builder_;
    int bitLengthCodesSent_ = 0;

    // Tally: per entry the literal or length - 3, and the distance (0 for a literal).
    std::unique_ptr<uint8_t[]> literals_;
    std::unique_ptr<uint16_t[]> distances_;
    uint32_t lastLit_ = 0;
    uint32_t lastDist_ = 0;

    TBlockBitCounts counts_;
    uint64_t compressedBits_ = 0;  // of the file so far
    uint64_t inputLength_ = 0;     // of the file so far
    uint16_t method_ = cmDeflated;
    uint16_t attributes_ = kAttributesUnknown;
};

}  // namespace mobrel
