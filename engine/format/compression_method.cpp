#include "format/compression_method.h"

namespace mobrel {

std::string CompressionMethodName(uint16_t method) {
    switch (method) {
        case cmStored:
            return "stored";
        case cmShrunk:
            return "shrink";
        case cmReducedFactor1:
        case cmReducedFactor2:
        case cmReducedFactor3:
        case cmReducedFactor4:
            return "reduce";
        case cmImploded:
            return "implode";
        case cmTokenized:
            return "tokenize";
        case cmDeflated:
            return "deflate";
        case cmDeflate64:
            return "Deflate64";
        case cmPkwareImploded:
            return "PKWARE DCL implode";
        case cmBzip2:
            return "bzip2";
        case cmLzma:
            return "LZMA";
        case cmIbmCmpsc:
            return "IBM z/OS CMPSC";
        case cmIbmTerse:
            return "IBM TERSE";
        case cmIbmLz77:
            return "IBM LZ77 z Architecture";
        case cmZstdOld:
        case cmZstd:
            return "Zstandard";
        case cmMp3:
            return "MP3";
        case cmXz:
            return "XZ";
        case cmJpeg:
            return "JPEG";
        case cmWavPack:
            return "WavPack";
        case cmPpmd:
            return "PPMd";
        case cmAes:
            return "AES";
        default:
            return "unknown";
    }
}

uint16_t VersionNeededFor(uint16_t method) {
    switch (method) {
        case cmBzip2:
            return 46;
        case cmLzma:
        case cmZstd:
        case cmXz:
            return 63;
        default:
            return 20;
    }
}

}  // namespace mobrel
