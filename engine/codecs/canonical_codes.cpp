#include "codecs/canonical_codes.h"

#include "codecs/deflate_constants.h"

namespace mobrel {

uint16_t ReverseBits(uint32_t code, int length) {
    uint32_t result = 0;
    for (int i = 0; i < length; ++i) {
        result = (result << 1) | (code & 1);
        code >>= 1;
    }
    return static_cast<uint16_t>(result);
}

void AssignCanonicalCodes(const uint16_t* lengths, uint16_t* codes, int maxCode,
                          const uint16_t* countPerLength) {
    uint16_t nextCode[kMaxBits + 1] = {};
    uint32_t code = 0;
    for (int bits = 1; bits <= kMaxBits; ++bits) {
        code = (code + countPerLength[bits - 1]) << 1;
        nextCode[bits] = static_cast<uint16_t>(code);
    }
    for (int n = 0; n <= maxCode; ++n) {
        const int length = lengths[n];
        if (length != 0) {
            codes[n] = ReverseBits(nextCode[length]++, length);
        }
    }
}

}  // namespace mobrel
