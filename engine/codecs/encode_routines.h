#pragma once
// What the library encoders (bzip2, LZMA, XZ, Zstandard) share with the writer: the routines
// a file's bytes come in and go out through, and what compressing one file gave.
#include <cstddef>
#include <cstdint>
#include <functional>

namespace mobrel {

// Fills buffer with up to count bytes of the file; 0 only at its end.
using TEncodeReadRoutine = std::function<size_t(uint8_t* buffer, size_t count)>;
// Takes count compressed bytes; raises an exception to stop the work.
using TEncodeWriteRoutine = std::function<void(const uint8_t* buffer, size_t count)>;

// The size of a file whose length is not known in advance.
inline constexpr int64_t kUnknownSize = -1;

struct TEncodeResult {
    uint64_t CompressedSize = 0;    // bytes handed to the write routine
    uint64_t UncompressedSize = 0;  // bytes taken from the read routine
    uint16_t GeneralPurposeFlags = 0;
};

}  // namespace mobrel
