// Arbitrary bytes as a raw deflate stream. Output is bounded (more raises inside the
// decoder, which ends decoding), and one context serves every input, as it serves every
// entry of an extraction run, so a distance reaching into an earlier input's window is
// exercised too. The sanitizers catch any read or write out of bounds.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "codecs/inflate.h"
#include "codecs/memory_decode_context.h"
#include "platform/engine_errors.h"

namespace {

constexpr int64_t kOutputLimit = 4 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static mobrel::TMemoryDecodeContext context{std::span<const uint8_t>()};
    context.SetArchive(std::span<const uint8_t>(data, size));
    context.SetKeepOutput(false);
    context.Start(kOutputLimit);
    try {
        const mobrel::TInflateResult result = mobrel::Inflate(context);
        if (result == mobrel::irOk && context.BytesDelivered() > kOutputLimit) {
            std::abort();
        }
    } catch (const mobrel::EBiggerThanUncompressed&) {
        // The hand-over after the last block is not the decoder's to catch.
    }
    return 0;
}
