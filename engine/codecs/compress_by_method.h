#pragma once
// Choosing the library encoder for the method a file is to be compressed with. Deflate is
// not among them: the writer runs its own compressor, TDeflater.
#include <cstdint>

#include "codecs/encode_routines.h"

namespace mobrel {

// Whether CompressByMethod has an encoder for the method: bzip2, LZMA, Zstandard or XZ.
bool HasLibraryEncoder(uint16_t method);

// Compresses one file with the encoder of `method` at packLevel 1..9; sizeHint is the file's
// size, or kUnknownSize. The data keeps the method whatever its size: a file that does not
// shrink grows by a fraction of a percent (see LargestCompressedSize), where falling back
// to storing it would mean reading the file and writing its data twice. Raises
// EGeneralError for a method without an encoder.
TEncodeResult CompressByMethod(uint16_t method, int packLevel, int64_t sizeHint,
                               const TEncodeReadRoutine& read, const TEncodeWriteRoutine& write);

// A bound on the compressed size of `size` bytes that no encoder of CompressByMethod passes,
// whatever the data: each adds well under 1/16 to data it can't shrink (measured on random
// bytes: LZMA 1.5%, bzip2 0.5%, XZ and Zstandard under 0.01%) plus a few hundred bytes of
// headers.
uint64_t LargestCompressedSize(uint64_t size);

}  // namespace mobrel
