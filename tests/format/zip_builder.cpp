#include "format/zip_builder.h"

#include <zlib.h>

namespace mobrel::test {

// zlib is the oracle here, so the archives don't depend on the engine's own CRC.
uint32_t Crc32Of(const std::string& data) {
    return static_cast<uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

}  // namespace mobrel::test
