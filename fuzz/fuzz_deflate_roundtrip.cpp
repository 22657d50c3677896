// The compressor on arbitrary bytes: whatever it writes must inflate to the input (with
// our inflate, and with zlib's where the build links it), report its own size, and come
// out the same however the input is read.
//
// Input: byte 0 picks the level (1..9), byte 1 the size of the read routine's pieces,
// byte 2 how often the rest is repeated (to reach window slides and several blocks with
// small inputs); the rest is the data.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codecs/deflater.h"
#include "codecs/inflate.h"
#include "codecs/memory_decode_context.h"

#ifdef MOBREL_FUZZ_WITH_ZLIB
#include <zlib.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct Output {
    Bytes Stream;
    mobrel::TDeflateResult Result;
};

Output Compress(mobrel::TDeflater& deflater, const Bytes& input, int level, size_t piece) {
    Output output;
    size_t position = 0;
    auto read = [&](uint8_t* buffer, size_t count) {
        const size_t n = std::min({count, piece, input.size() - position});
        if (n > 0) {
            std::memcpy(buffer, input.data() + position, n);
        }
        position += n;
        return n;
    };
    auto write = [&](const uint8_t* buffer, size_t count) {
        Check(count > 0 && count <= 65535);
        output.Stream.insert(output.Stream.end(), buffer, buffer + count);
    };
    output.Result = deflater.deflate(level, read, write);
    return output;
}

void CheckOurInflate(const Bytes& stream, const Bytes& input) {
    mobrel::TMemoryDecodeContext context(stream);
    context.Start(static_cast<int64_t>(input.size()));
    Check(mobrel::Inflate(context) == mobrel::irOk);
    Check(context.Output() == input);
}

#ifdef MOBREL_FUZZ_WITH_ZLIB
void CheckZlibInflate(const Bytes& stream, const Bytes& input) {
    z_stream z{};
    Check(inflateInit2(&z, -15) == Z_OK);
    Bytes output(input.size() + 1);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = output.data();
    z.avail_out = static_cast<uInt>(output.size());
    const int rc = inflate(&z, Z_FINISH);
    output.resize(z.total_out);
    inflateEnd(&z);
    Check(rc == Z_STREAM_END && z.avail_in == 0 && output == input);
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    const int level = 1 + data[0] % 9;
    const size_t piece = data[1] == 0 ? SIZE_MAX : size_t{data[1]} * 97;
    const int repeats = 1 + data[2] % 16;
    Bytes input;
    for (int i = 0; i < repeats && input.size() < 400000; ++i) {
        input.insert(input.end(), data + 3, data + size);
    }

    static mobrel::TDeflater deflater;  // reused, as the writer reuses it across files
    const Output output = Compress(deflater, input, level, piece);
    Check(output.Result.CompressedSize == output.Stream.size());
    Check(output.Result.UncompressedSize == input.size());
    if (output.Result.CompressionMethod == mobrel::cmStored) {
        Check(output.Stream == input);
    } else {
        Check(output.Result.CompressionMethod == mobrel::cmDeflated);
        CheckOurInflate(output.Stream, input);
#ifdef MOBREL_FUZZ_WITH_ZLIB
        CheckZlibInflate(output.Stream, input);
#endif
    }
    // The same input read in one go must give the same stream.
    if (piece != SIZE_MAX) {
        Check(Compress(deflater, input, level, SIZE_MAX).Stream == output.Stream);
    }
    return 0;
}
