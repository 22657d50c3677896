#pragma once
// Compressing one file into the data of a method 95 entry: a whole .xz stream with one LZMA2
// filter and a CRC-64 check.
#include "codecs/encode_routines.h"

namespace mobrel {

// Compresses the file at packLevel 1..9 (see LzmaOptionsFor). sizeHint is the file's size,
// or kUnknownSize. Raises EGeneralError when the library fails; exceptions from the routines
// pass through.
TEncodeResult XzEncode(int packLevel, int64_t sizeHint, const TEncodeReadRoutine& read,
                       const TEncodeWriteRoutine& write);

}  // namespace mobrel
