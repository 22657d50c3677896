#pragma once
// The constant look-up tables of the compressor: length and distance codes by value, their
// base values, and the fixed Huffman codes. Computed once per process and shared.
#include <cstdint>

#include "codecs/deflate_constants.h"

namespace mobrel {

struct TDeflateCodeTables {
    uint16_t BaseLength[kLengthCodes];      // first match length - 3 of each length code
    uint8_t LengthCode[256];                // length code by match length - 3
    uint16_t BaseDistance[kDistanceCodes];  // first distance - 1 of each distance code
    // Distance code by distance - 1: entries 0..255 for values below 256, entries
    // 256..511 for the value shifted right by 7.
    uint8_t DistanceCode[512];
    uint16_t FixedLiteralCode[kFixedLiteralCodes];
    uint16_t FixedLiteralLength[kFixedLiteralCodes];
    uint16_t FixedDistanceCode[kDistanceCodes];
    uint16_t FixedDistanceLength[kDistanceCodes];

    // Distance code of distance - 1.
    uint32_t DistanceCodeOf(uint32_t distanceMinus1) const {
        return distanceMinus1 < 256 ? DistanceCode[distanceMinus1]
                                    : DistanceCode[256 + (distanceMinus1 >> 7)];
    }

    static const TDeflateCodeTables& Instance();

  private:
    TDeflateCodeTables();
    void BuildLengthCodes();
    void BuildDistanceCodes();
    void BuildFixedTrees();
};

}  // namespace mobrel
