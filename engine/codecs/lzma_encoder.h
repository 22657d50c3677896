#pragma once
// Compressing one file into the data of a method 14 (LZMA) entry: a 4-byte header giving the
// LZMA SDK version the data follows and the size of the properties, the 5 property bytes
// (lc/lp/pb and the dictionary size), then a raw LZMA stream that ends with the end marker.
#include "codecs/encode_routines.h"

namespace mobrel {

// Bit 1 of an LZMA entry's general purpose flags: its stream ends with the end marker, so a
// reader may stop there without trusting the sizes in the headers.
inline constexpr uint16_t kFlagLzmaEndMarker = 2;

// Compresses the file at packLevel 1..9 (see LzmaOptionsFor). sizeHint is the file's size,
// or kUnknownSize. The result carries kFlagLzmaEndMarker. Raises EGeneralError when the
// library fails; exceptions from the routines pass through.
TEncodeResult LzmaEncode(int packLevel, int64_t sizeHint, const TEncodeReadRoutine& read,
                         const TEncodeWriteRoutine& write);

}  // namespace mobrel
