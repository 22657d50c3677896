// Arbitrary bytes as shrunk data (method 1). The first three bytes give the declared
// uncompressed size (at most 16 MB), which bounds the output as extraction does; the
// rest is the compressed data. The sanitizers catch any access outside the tables.
#include <cstdint>
#include <span>

#include "codecs/memory_decode_context.h"
#include "codecs/unshrink.h"
#include "platform/engine_errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    const int64_t declared = data[0] | (data[1] << 8) | (data[2] << 16);
    static mobrel::TMemoryDecodeContext context{std::span<const uint8_t>()};
    context.SetArchive(std::span<const uint8_t>(data + 3, size - 3));
    context.SetKeepOutput(false);
    context.Start(static_cast<int64_t>(size - 3), declared);
    try {
        mobrel::Unshrink(context);
    } catch (const mobrel::EBiggerThanUncompressed&) {
        // More output than declared: extraction catches this and fails the entry.
    }
    return 0;
}
