// Arbitrary bytes as one entry's data under a method that has a library or inflate
// decoder. The first byte picks the method (deflate is there to compare with), the second
// holds the general-purpose flags (bit 1: LZMA's end marker), the next three the declared
// size (little-endian, at most 4 MiB); the rest is the compressed data. One context serves every
// input, as it serves every entry of an extraction run. A decoder must end on its own
// within the declared size, and the sanitizers catch any access out of bounds or leak
// of a library's state.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "codecs/decode_by_method.h"
#include "codecs/memory_decode_context.h"
#include "format/compression_method.h"
#include "platform/engine_errors.h"

namespace {

constexpr uint16_t kMethods[] = {mobrel::cmDeflated, mobrel::cmDeflate64, mobrel::cmBzip2,
                                 mobrel::cmLzma,     mobrel::cmZstd,      mobrel::cmXz};
constexpr size_t kPrefix = 5;
constexpr int64_t kMaxDeclared = int64_t{4} << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kPrefix) {
        return 0;
    }
    static mobrel::TMemoryDecodeContext context{std::span<const uint8_t>()};
    const uint16_t method = kMethods[data[0] % std::size(kMethods)];
    const uint16_t flags = data[1];
    const int64_t declared = std::min<int64_t>(
        data[2] | data[3] << 8 | static_cast<int64_t>(data[4]) << 16, kMaxDeclared);
    const std::span<const uint8_t> entry(data + kPrefix, size - kPrefix);
    context.SetArchive(entry);
    context.SetKeepOutput(false);
    context.Start(declared);
    try {
        mobrel::DecodeByMethod(context, method, flags, static_cast<int64_t>(entry.size()));
    } catch (const mobrel::EBiggerThanUncompressed&) {
        // The hand-over after the stream's end is not the decoder's to catch.
    }
    if (context.BytesDelivered() > declared) {
        std::abort();
    }
    return 0;
}
