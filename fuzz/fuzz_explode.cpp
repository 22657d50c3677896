// Arbitrary bytes as imploded data (method 6). The first byte gives the general purpose flags (bit
// 1: 8 KB dictionary, bit 2: literal tree), the next three the declared uncompressed size (at most
// 16 MB), which bounds the output as extraction does; the rest is the compressed data. The
// sanitizers catch any access outside the tables.
#include <cstdint>
#include <span>

#include "codecs/explode.h"
#include "codecs/memory_decode_context.h"
#include "platform/engine_errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    const int64_t declared = data[1] | (data[2] << 8) | (data[3] << 16);
    static mobrel::TMemoryDecodeContext context{std::span<const uint8_t>()};
    context.SetArchive(std::span<const uint8_t>(data + 4, size - 4));
    context.SetKeepOutput(false);
    context.Start(static_cast<int64_t>(size - 4), declared);
    try {
        mobrel::Explode(context, data[0], static_cast<int64_t>(size - 4));
    } catch (const mobrel::EBiggerThanUncompressed&) {
        // More output than declared: extraction catches this and fails the entry.
    }
    return 0;
}
