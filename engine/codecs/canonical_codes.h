#pragma once
// Turning Huffman code lengths into the codes themselves.
#include <cstdint>

namespace mobrel {

// The low `length` bits of code in reverse order: deflate sends Huffman codes starting
// from their most significant bit while the bit writer fills from the least significant.
uint16_t ReverseBits(uint32_t code, int length);

// Canonical codes (RFC 1951 3.2.2) for the codes 0..maxCode from their lengths, stored
// bit-reversed ready for the bit writer. countPerLength[n] is how many codes have length n
// (n = 0..15); codes of length 0 get no code.
void AssignCanonicalCodes(const uint16_t* lengths, uint16_t* codes, int maxCode,
                          const uint16_t* countPerLength);

}  // namespace mobrel
