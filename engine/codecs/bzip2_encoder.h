#pragma once
// Compressing one file into a bzip2 stream, the data of a method 12 entry.
#include "codecs/encode_routines.h"

namespace mobrel {

// Compresses the file at packLevel 1..9 (values outside are taken as the nearest valid
// level), which is bzip2's block size in units of 100,000 bytes. Raises EGeneralError when
// the library fails; exceptions from the routines pass through.
TEncodeResult Bzip2Encode(int packLevel, const TEncodeReadRoutine& read,
                          const TEncodeWriteRoutine& write);

}  // namespace mobrel
