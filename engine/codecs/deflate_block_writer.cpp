#include "codecs/deflate_block_writer.h"

#include <algorithm>

namespace mobrel {

TDeflateBlockWriter::TDeflateBlockWriter()
    : tables_(TDeflateCodeTables::Instance()),
      literalDescription_{tables_.FixedLiteralLength, kExtraLengthBits, kLiterals + 1,
                          kLiteralCodes, kMaxBits},
      distanceDescription_{tables_.FixedDistanceLength, kExtraDistanceBits, 0, kDistanceCodes,
                           kMaxBits},
      literals_(new uint8_t[kLiteralBufferSize]),
      distances_(new uint16_t[kLiteralBufferSize]) {}

void TDeflateBlockWriter::StartFile(int packLevel, TBitWriter* out) {
    packLevel_ = packLevel;
    out_ = out;
    compressedBits_ = 0;
    inputLength_ = 0;
    method_ = cmDeflated;
    attributes_ = kAttributesUnknown;
    StartBlock();
}

void TDeflateBlockWriter::StartBlock() {
    std::fill(literalTree_.Freq, literalTree_.Freq + kLiteralCodes, 0);
    std::fill(distanceTree_.Freq, distanceTree_.Freq + kDistanceCodes, 0);
    bitLengthTree_.Reset();
    literalTree_.Freq[kEndBlock] = 1;
    counts_ = TBlockBitCounts{};
    lastLit_ = 0;
    lastDist_ = 0;
}

// A block that already shrinks to under half its input with few matches is ended early,
// so the next block's trees can adapt to whatever follows.
bool TDeflateBlockWriter::CompressesWellEnough(int64_t blockInputLength) const {
    int64_t outLength = static_cast<int64_t>(lastLit_) * 8;
    for (int code = 0; code < kDistanceCodes; ++code) {
        outLength +=
            static_cast<int64_t>(distanceTree_.Freq[code]) * (5 + kExtraDistanceBits[code]);
    }
    outLength >>= 3;
    return lastDist_ < lastLit_ / 2 && outLength < blockInputLength / 2;
}

// Decided once per file from its first block: binary when control bytes and bytes above
// 127 are more than a quarter as frequent as ordinary text bytes.
void TDeflateBlockWriter::DetectTextOrBinary() {
    uint64_t binary = 0;
    uint64_t text = 0;
    for (int n = 0; n < 7; ++n) {
        binary += literalTree_.Freq[n];
    }
    for (int n = 7; n < 128; ++n) {
        text += literalTree_.Freq[n];
    }
    for (int n = 128; n < kLiterals; ++n) {
        binary += literalTree_.Freq[n];
    }
    attributes_ = binary > (text >> 2) ? kAttributesBinary : kAttributesText;
}

void TDeflateBlockWriter::BuildTrees() {
    builder_.BuildTree(literalTree_, literalDescription_, counts_);
    builder_.BuildTree(distanceTree_, distanceDescription_, counts_);
    bitLengthTree_.CountLengthsOf(literalTree_, literalTree_.MaxCode);
    bitLengthTree_.CountLengthsOf(distanceTree_, distanceTree_.MaxCode);
    bitLengthCodesSent_ = bitLengthTree_.BuildCodeLengthTree(builder_, counts_);
}

uint64_t TDeflateBlockWriter::FlushBlock(const uint8_t* data, uint32_t storedLength,
                                         bool endOfInput) {
    if (attributes_ == kAttributesUnknown) {
        DetectTextOrBinary();
    }
    BuildTrees();

    int64_t optimalBytes = (counts_.Optimal + 3 + 7) >> 3;
    const int64_t fixedBytes = (counts_.Fixed + 3 + 7) >> 3;
    inputLength_ += storedLength;
    if (fixedBytes <= optimalBytes) {
        optimalBytes = fixedBytes;
    }

    if (storedLength <= optimalBytes && endOfInput && compressedBits_ == 0 && data != nullptr) {
        // The whole file in one block that does not shrink: the entry is stored instead.
        out_->Align();
        out_->WriteRaw(data, storedLength);
        compressedBits_ = static_cast<uint64_t>(storedLength) << 3;
        method_ = cmStored;
    } else if (storedLength + 4 <= optimalBytes && data != nullptr) {
        SendStoredBlock(data, storedLength, endOfInput);
    } else if (fixedBytes == optimalBytes) {
        SendFixedBlock(endOfInput);
    } else {
        SendDynamicBlock(endOfInput);
    }
    StartBlock();

    if (endOfInput) {
        out_->Align();
        compressedBits_ += 7;
    }
    return compressedBits_ >> 3;
}

void TDeflateBlockWriter::SendStoredBlock(const uint8_t* data, uint32_t storedLength,
                                          bool endOfInput) {
    out_->WriteBits((btStored << 1) + (endOfInput ? 1 : 0), 3);
    compressedBits_ = (compressedBits_ + 3 + 7) & ~uint64_t{7};
    compressedBits_ += (static_cast<uint64_t>(storedLength) + 4) << 3;
    out_->WriteStoredHeader(static_cast<uint16_t>(storedLength));
    out_->WriteRaw(data, storedLength);
}

void TDeflateBlockWriter::SendFixedBlock(bool endOfInput) {
    out_->WriteBits((btFixed << 1) + (endOfInput ? 1 : 0), 3);
    WriteBlockSymbols(tables_.FixedLiteralCode, tables_.FixedLiteralLength,
                      tables_.FixedDistanceCode, tables_.FixedDistanceLength);
    compressedBits_ += 3 + static_cast<uint64_t>(counts_.Fixed);
}

void TDeflateBlockWriter::SendDynamicBlock(bool endOfInput) {
    out_->WriteBits((btDynamic << 1) + (endOfInput ? 1 : 0), 3);
    WriteDynamicTrees(literalTree_.MaxCode + 1, distanceTree_.MaxCode + 1, bitLengthCodesSent_);
    WriteBlockSymbols(literalTree_.Code, literalTree_.Len, distanceTree_.Code, distanceTree_.Len);
    compressedBits_ += 3 + static_cast<uint64_t>(counts_.Optimal);
}

void TDeflateBlockWriter::WriteDynamicTrees(int literalCodes, int distanceCodes,
                                            int bitLengthCodes) {
    out_->WriteBits(static_cast<uint32_t>(literalCodes - 257), 5);
    out_->WriteBits(static_cast<uint32_t>(distanceCodes - 1), 5);
    out_->WriteBits(static_cast<uint32_t>(bitLengthCodes - 4), 4);
    bitLengthTree_.SendOwnLengths(bitLengthCodes, *out_);
    bitLengthTree_.WriteLengthsOf(literalTree_, literalCodes - 1, *out_);
    bitLengthTree_.WriteLengthsOf(distanceTree_, distanceCodes - 1, *out_);
}

void TDeflateBlockWriter::WriteBlockSymbols(const uint16_t* literalCodes,
                                            const uint16_t* literalLengths,
                                            const uint16_t* distanceCodes,
                                            const uint16_t* distanceLengths) {
    TBitWriter& out = *out_;
    for (uint32_t i = 0; i < lastLit_; ++i) {
        const uint32_t lc = literals_[i];
        const uint32_t distance = distances_[i];
        if (distance == 0) {
            out.WriteBits(literalCodes[lc], literalLengths[lc]);
            continue;
        }
        // Length code and its extra bits in one go, then distance code and its extra bits.
        const uint32_t lengthCode = tables_.LengthCode[lc];
        const uint32_t symbol = lengthCode + kLiterals + 1;
        const int lengthBits = literalLengths[symbol];
        const int lengthExtra = kExtraLengthBits[lengthCode];
        // Length 258 has no extra bits although it is not its code's base length.
        const uint32_t lengthExtraValue =
            lengthExtra == 0 ? 0 : (lc - tables_.BaseLength[lengthCode]) << lengthBits;
        out.WriteBits(literalCodes[symbol] | lengthExtraValue, lengthBits + lengthExtra);

        const uint32_t distanceMinus1 = distance - 1;
        const uint32_t distanceCode = tables_.DistanceCodeOf(distanceMinus1);
        const int distanceBits = distanceLengths[distanceCode];
        const int distanceExtra = kExtraDistanceBits[distanceCode];
        out.WriteBits(distanceCodes[distanceCode] |
                          ((distanceMinus1 - tables_.BaseDistance[distanceCode]) << distanceBits),
                      distanceBits + distanceExtra);
    }
    out.WriteBits(literalCodes[kEndBlock], literalLengths[kEndBlock]);
}

}  // namespace mobrel
