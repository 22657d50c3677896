#pragma once
// The compression methods of the zip format, by their numbers in the headers' method field:
// those this engine decodes or writes, and the others it can name when it skips them.
#include <cstdint>
#include <string>

namespace mobrel {

enum TCompressionMethod : uint16_t {
    cmStored = 0,
    cmShrunk = 1,
    cmReducedFactor1 = 2,  // reduced with compression factors 1 to 4: methods 2 to 5
    cmReducedFactor2 = 3,
    cmReducedFactor3 = 4,
    cmReducedFactor4 = 5,
    cmImploded = 6,
    cmTokenized = 7,
    cmDeflated = 8,
    cmDeflate64 = 9,
    cmPkwareImploded = 10,  // PKWARE's DCL implode, not method 6
    cmBzip2 = 12,
    cmLzma = 14,
    cmIbmCmpsc = 16,
    cmIbmTerse = 18,
    cmIbmLz77 = 19,
    cmZstdOld = 20,  // an early, withdrawn number for Zstandard
    cmZstd = 93,
    cmMp3 = 94,
    cmXz = 95,
    cmJpeg = 96,
    cmWavPack = 97,
    cmPpmd = 98,
    cmAes = 99,  // WinZip AES: the real method is in the 0x9901 extra field
};

// The method's usual name ("deflate", "bzip2", "PPMd"...), or "unknown" for a number no
// published method uses.
std::string CompressionMethodName(uint16_t method);

// The "version needed to extract" of a new entry with the method (major * 10 + minor): 4.6
// for bzip2, 6.3 for LZMA, Zstandard and XZ, 2.0 for stored and deflated data.
uint16_t VersionNeededFor(uint16_t method);

}  // namespace mobrel
