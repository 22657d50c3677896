#pragma once
// Compressing one file into the data of a method 93 entry: one Zstandard frame.
#include "codecs/encode_routines.h"

namespace mobrel {

// Compresses the file at packLevel 1..9 (values outside are taken as the nearest valid
// level), spread over the library's levels 1 to 19. sizeHint is the file's size, or
// kUnknownSize; a known size goes into the frame header, and a file that then gives a
// different number of bytes raises EStreamError. Long-distance matching stays off, so the
// window is at most 8 MiB and readers with a capped window can read every frame. Raises
// EGeneralError when the library fails; exceptions from the routines pass through.
TEncodeResult ZstdEncode(int packLevel, int64_t sizeHint, const TEncodeReadRoutine& read,
                         const TEncodeWriteRoutine& write);

}  // namespace mobrel
