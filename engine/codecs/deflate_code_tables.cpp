#include "codecs/deflate_code_tables.h"

#include "codecs/canonical_codes.h"

namespace mobrel {

const TDeflateCodeTables& TDeflateCodeTables::Instance() {
    static const TDeflateCodeTables tables;
    return tables;
}

TDeflateCodeTables::TDeflateCodeTables() {
    BuildLengthCodes();
    BuildDistanceCodes();
    BuildFixedTrees();
}

void TDeflateCodeTables::BuildLengthCodes() {
    uint32_t length = 0;
    int code = 0;
    for (; code < kLengthCodes - 1; ++code) {
        BaseLength[code] = static_cast<uint16_t>(length);
        for (uint32_t n = 0; n < (1u << kExtraLengthBits[code]); ++n) {
            LengthCode[length++] = static_cast<uint8_t>(code);
        }
    }
    // Length 258 could be code 284 with all extra bits set or code 285 with none; the
    // shorter form wins.
    BaseLength[code] = 0;
    LengthCode[length - 1] = static_cast<uint8_t>(code);
}

void TDeflateCodeTables::BuildDistanceCodes() {
    uint32_t distance = 0;
    int code = 0;
    for (; code < 16; ++code) {
        BaseDistance[code] = static_cast<uint16_t>(distance);
        for (uint32_t n = 0; n < (1u << kExtraDistanceBits[code]); ++n) {
            DistanceCode[distance++] = static_cast<uint8_t>(code);
        }
    }
    distance >>= 7;  // from here on, distances are counted in units of 128
    for (; code < kDistanceCodes; ++code) {
        BaseDistance[code] = static_cast<uint16_t>(distance << 7);
        for (uint32_t n = 0; n < (1u << (kExtraDistanceBits[code] - 7)); ++n) {
            DistanceCode[256 + distance++] = static_cast<uint8_t>(code);
        }
    }
}

void TDeflateCodeTables::BuildFixedTrees() {
    uint16_t countPerLength[kMaxBits + 1] = {};
    for (int n = 0; n < kFixedLiteralCodes; ++n) {
        const uint16_t length = n < 144 ? 8 : n < 256 ? 9 : n < 280 ? 7 : 8;
        FixedLiteralLength[n] = length;
        ++countPerLength[length];
    }
    AssignCanonicalCodes(FixedLiteralLength, FixedLiteralCode, kFixedLiteralCodes - 1,
                         countPerLength);
    for (int n = 0; n < kDistanceCodes; ++n) {
        FixedDistanceLength[n] = 5;
        FixedDistanceCode[n] = ReverseBits(static_cast<uint32_t>(n), 5);
    }
}

}  // namespace mobrel
