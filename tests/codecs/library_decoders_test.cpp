// The bzip2, LZMA, XZ and Zstandard decoders over streams the libraries write here: whole
// entries of several shapes, concatenated streams, and every way an entry's data can be
// wrong (cut short, damaged, longer than declared, empty, asking for too much memory).
#include <bzlib.h>
#include <gtest/gtest.h>
#include <lzma.h>
#include <zstd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "codecs/bzip2_decoder.h"
#include "codecs/crc32.h"
#include "codecs/decode_by_method.h"
#include "codecs/lzma_decoder.h"
#include "codecs/memory_decode_context.h"
#include "codecs/xz_decoder.h"
#include "codecs/zstd_decoder.h"
#include "deflate_test_support.h"
#include "format/compression_method.h"
#include "platform/engine_errors.h"

namespace mobrel {
namespace {

using test::RandomBytes;

using Bytes = std::vector<uint8_t>;

Bytes Bzip2(const Bytes& input) {
    unsigned size = static_cast<unsigned>(input.size() + input.size() / 50 + 1024);
    Bytes out(size);
    static char nothing = 0;  // libbz2 wants a source even for no bytes
    EXPECT_EQ(BZ2_bzBuffToBuffCompress(
                  reinterpret_cast<char*>(out.data()), &size,
                  input.empty() ? &nothing
                                : const_cast<char*>(reinterpret_cast<const char*>(input.data())),
                  static_cast<unsigned>(input.size()), 1, 0, 0),
              BZ_OK);
    out.resize(size);
    return out;
}

Bytes Xz(const Bytes& input, lzma_check check = LZMA_CHECK_CRC64) {
    Bytes out(lzma_stream_buffer_bound(input.size()));
    size_t size = 0;
    EXPECT_EQ(lzma_easy_buffer_encode(1, check, nullptr, input.data(), input.size(), out.data(),
                                      &size, out.size()),
              LZMA_OK);
    out.resize(size);
    return out;
}

// The zip form of LZMA: version, properties size, properties, then the raw stream, with
// or without the end marker.
Bytes ZipLzma(const Bytes& input, bool endMarker) {
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 1);
    options.ext_flags = endMarker ? LZMA_LZMA1EXT_ALLOW_EOPM : 0;
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    Bytes out(input.size() + input.size() / 2 + 1024);
    size_t size = 0;
    EXPECT_EQ(lzma_raw_buffer_encode(filters, nullptr, input.data(), input.size(), out.data(),
                                     &size, out.size()),
              LZMA_OK);
    out.resize(size);
    const uint32_t dictionary = options.dict_size;
    Bytes zip = {16, 2, 5, 0, static_cast<uint8_t>((options.pb * 5 + options.lp) * 9 + options.lc)};
    for (int shift = 0; shift < 32; shift += 8) {
        zip.push_back(static_cast<uint8_t>(dictionary >> shift));
    }
    zip.insert(zip.end(), out.begin(), out.end());
    return zip;
}

Bytes Zstd(const Bytes& input) {
    Bytes out(ZSTD_compressBound(input.size()));
    const size_t size = ZSTD_compress(out.data(), out.size(), input.data(), input.size(), 3);
    EXPECT_FALSE(ZSTD_isError(size));
    out.resize(size);
    return out;
}

struct TMethod {
    std::string Name;
    uint16_t Method;
    uint16_t Flags;
    std::function<Bytes(const Bytes&)> Encode;
    // Whether a stream-level check (or an end marker) makes any damage visible to the
    // decoder itself; without one only the CRC of the output can tell.
    bool SelfChecking;
};

const std::vector<TMethod>& Methods() {
    static const std::vector<TMethod> methods = {
        {"bzip2", cmBzip2, 0, Bzip2, true},
        {"lzma+marker", cmLzma, kLzmaEndMarkerFlag, [](const Bytes& b) { return ZipLzma(b, true); },
         false},
        {"lzma", cmLzma, 0, [](const Bytes& b) { return ZipLzma(b, false); }, false},
        {"xz", cmXz, 0, [](const Bytes& b) { return Xz(b); }, true},
        {"zstd", cmZstd, 0, Zstd, false},
        {"zstd-old-number", cmZstdOld, 0, Zstd, false},
    };
    return methods;
}

TStreamResult DecodeWith(const TMethod& method, TDecodeContext& context) {
    switch (method.Method) {
        case cmBzip2:
            return DecodeBzip2(context);
        case cmLzma:
            return DecodeLzma(context, method.Flags);
        case cmXz:
            return DecodeXz(context);
        default:
            return DecodeZstd(context);
    }
}

struct Decoded {
    TStreamResult Result;
    Bytes Output;
    uint32_t Crc;
};

// The final flush may raise EBiggerThanUncompressed, which the caller of a decoder
// handles; here it counts as bad data.
Decoded Decode(const TMethod& method, const Bytes& data, int64_t declaredSize) {
    TMemoryDecodeContext context(data);
    context.Start(declaredSize);
    TStreamResult result = srBadData;
    try {
        result = DecodeWith(method, context);
    } catch (const EBiggerThanUncompressed&) {
    }
    return {result, context.Output(), context.FinishedCrc()};
}

Bytes Text(size_t count) {
    static const std::string kWords[] = {"entry ", "archive ", "window ", "stream\n", "the "};
    std::mt19937 random(3);
    Bytes bytes;
    while (bytes.size() < count) {
        const std::string& word = kWords[random() % 5];
        bytes.insert(bytes.end(), word.begin(), word.end());
    }
    bytes.resize(count);
    return bytes;
}

std::vector<Bytes> Inputs() {
    return {Bytes{}, Bytes{'z'}, Text(300000), RandomBytes(100000, 1), Bytes(1 << 20, 0)};
}

TEST(LibraryDecoders, EveryMethodDecodesEntriesOfEveryShapeThroughDecodeByMethod) {
    for (const TMethod& method : Methods()) {
        for (const Bytes& input : Inputs()) {
            SCOPED_TRACE(method.Name + " of " + std::to_string(input.size()) + " bytes");
            const Bytes data = method.Encode(input);
            ASSERT_TRUE(HasDecoder(method.Method));
            TMemoryDecodeContext context(data);
            context.Start(static_cast<int64_t>(input.size()));
            ASSERT_TRUE(DecodeByMethod(context, method.Method, method.Flags,
                                       static_cast<int64_t>(data.size())));
            EXPECT_EQ(context.Output().size(), input.size());
            EXPECT_TRUE(context.Output() == input);
            EXPECT_EQ(context.FinishedCrc(),
                      UpdateCRCBuffer(kCrcInitial, input.data(), input.size()) ^ 0xFFFFFFFFu);
            EXPECT_EQ(Decode(method, data, static_cast<int64_t>(input.size())).Result, srOk);
        }
    }
    EXPECT_FALSE(HasDecoder(cmPpmd));
    EXPECT_FALSE(HasDecoder(cmAes));
}

TEST(LibraryDecoders, ConcatenatedStreamsDecodeAsThePeersDoAndOtherTrailingBytesAreIgnored) {
    const Bytes first = Text(70000);
    const Bytes second = RandomBytes(5000, 9);
    Bytes both = first;
    both.insert(both.end(), second.begin(), second.end());
    for (const TMethod& method : Methods()) {
        if (method.Method == cmLzma) {
            continue;  // one raw stream, ending at the declared size
        }
        SCOPED_TRACE(method.Name);
        Bytes data = method.Encode(first);
        const Bytes more = method.Encode(second);
        const size_t firstSize = data.size();
        data.insert(data.end(), more.begin(), more.end());
        // The zip tools read one bzip2 stream per entry, but every XZ stream and
        // Zstandard frame.
        const Decoded decoded = Decode(method, data, static_cast<int64_t>(both.size()));
        EXPECT_EQ(decoded.Result, srOk);
        EXPECT_TRUE(decoded.Output == (method.Method == cmBzip2 ? first : both));

        data.resize(firstSize);
        data.insert(data.end(), {'j', 'u', 'n', 'k', '!', 0, 0, 0, 0});
        const Decoded trailing = Decode(method, data, static_cast<int64_t>(first.size()));
        EXPECT_EQ(trailing.Result, srOk);
        EXPECT_TRUE(trailing.Output == first);
    }
}

TEST(LibraryDecoders, DataCutShortEmptyOrDamagedNeverPassesAsTheEntry) {
    const Bytes input = Text(200000);
    const uint32_t crc = UpdateCRCBuffer(kCrcInitial, input.data(), input.size()) ^ 0xFFFFFFFFu;
    const int64_t declared = static_cast<int64_t>(input.size());
    for (const TMethod& method : Methods()) {
        SCOPED_TRACE(method.Name);
        const Bytes data = method.Encode(input);
        EXPECT_EQ(Decode(method, Bytes{}, declared).Result, srTruncated);
        for (const size_t keep : {size_t{3}, size_t{12}, data.size() / 2, data.size() - 1}) {
            SCOPED_TRACE("cut to " + std::to_string(keep));
            const Decoded cut = Decode(method, Bytes(data.begin(), data.begin() + keep), declared);
            EXPECT_NE(cut.Result, srOk);
            EXPECT_LT(cut.Output.size(), input.size());
        }
        std::mt19937 random(11);
        for (int trial = 0; trial < 20; ++trial) {
            Bytes damaged = data;
            const size_t at = 16 + random() % (damaged.size() - 32);
            damaged[at] ^= static_cast<uint8_t>(1 + random() % 255);
            const Decoded decoded = Decode(method, damaged, declared);
            EXPECT_TRUE(decoded.Result != srOk || decoded.Crc != crc || decoded.Output == input)
                << "damage at " << at;
            if (method.SelfChecking) {
                EXPECT_NE(decoded.Result, srOk) << "damage at " << at;
            }
        }
    }
}

TEST(LibraryDecoders, OutputPastTheDeclaredSizeEndsDecodingAtThatSize) {
    const Bytes input = Text(100000);
    for (const TMethod& method : Methods()) {
        SCOPED_TRACE(method.Name);
        const Bytes data = method.Encode(input);
        for (const int64_t declared : {int64_t{0}, int64_t{40000}, int64_t{99999}}) {
            const Decoded decoded = Decode(method, data, declared);
            EXPECT_LE(static_cast<int64_t>(decoded.Output.size()), declared);
            if (method.Method == cmLzma) {
                // LZMA is told the size and stops there; the CRC check reports the entry.
                EXPECT_FALSE(decoded.Result == srOk &&
                             static_cast<int64_t>(decoded.Output.size()) != declared);
            } else {
                EXPECT_NE(decoded.Result, srOk);
            }
        }
    }
}

TEST(LibraryDecoders, LzmaHeadersLiblzmaCannotUseAreRefusedAndHugeDictionariesCapped) {
    const Bytes input = Text(50000);
    const TMethod& lzma = Methods()[1];
    const Bytes good = ZipLzma(input, true);
    auto patched = [&](size_t at, uint8_t value) {
        Bytes data = good;
        data[at] = value;
        return data;
    };
    const int64_t declared = static_cast<int64_t>(input.size());
    EXPECT_EQ(Decode(lzma, patched(2, 4), declared).Result, srBadData);    // properties size 4
    EXPECT_EQ(Decode(lzma, patched(3, 1), declared).Result, srBadData);    // properties size 261
    EXPECT_EQ(Decode(lzma, patched(4, 225), declared).Result, srBadData);  // no lc/lp/pb
    EXPECT_EQ(Decode(lzma, patched(4, 4 + 9 * 1), declared).Result, srBadData);  // lc 4 + lp 1
    EXPECT_EQ(Decode(lzma, Bytes(good.begin(), good.begin() + 8), declared).Result, srTruncated);

    // A 4 GiB dictionary is never needed past the declared size: the entry decodes; one
    // whose declared size is that large too asks for more than the limit.
    Bytes huge = good;
    std::memset(huge.data() + 5, 0xFF, 4);
    const Decoded capped = Decode(lzma, huge, declared);
    EXPECT_EQ(capped.Result, srOk);
    EXPECT_TRUE(capped.Output == input);
    EXPECT_EQ(Decode(lzma, huge, int64_t{1} << 40).Result, srMemoryLimit);

    // Without the flag an end marker is an error, and a stream without a marker stops at
    // the declared size.
    EXPECT_NE(Decode(Methods()[2], good, declared).Result, srOk);
    EXPECT_EQ(Decode(lzma, ZipLzma(input, false), declared).Result, srOk);
}

// An .xz stream whose block header asks for the largest LZMA2 dictionary (4 GiB - 1).
Bytes XzWithHugeDictionary(const Bytes& input) {
    Bytes data = Xz(input, LZMA_CHECK_CRC32);
    const size_t header = 12;
    const size_t headerSize = (data[header] + 1u) * 4;
    const uint8_t filter[] = {0x21, 0x01};
    const auto at = std::search(data.begin() + header, data.begin() + header + headerSize - 4,
                                std::begin(filter), std::end(filter));
    EXPECT_NE(at, data.begin() + header + headerSize - 4);
    at[2] = 40;
    const uint32_t crc = lzma_crc32(data.data() + header, headerSize - 4, 0);
    for (int i = 0; i < 4; ++i) {
        data[header + headerSize - 4 + i] = static_cast<uint8_t>(crc >> (8 * i));
    }
    return data;
}

// A frame header declaring a 2 GiB window (window descriptor exponent 21: 2^(10 + 21)),
// then a raw block.
Bytes ZstdWithHugeWindow() {
    return {0x28, 0xB5, 0x2F, 0xFD, 0x00, 21 << 3, 0x01, 0x00, 0x00, 'x'};
}

TEST(LibraryDecoders, StreamsAskingForGigabytesFailBeforeAllocating) {
    const Bytes input = Text(1000);
    EXPECT_EQ(Decode(Methods()[3], XzWithHugeDictionary(input), 1000).Result, srMemoryLimit);
    EXPECT_EQ(Decode(Methods()[4], ZstdWithHugeWindow(), 1000).Result, srMemoryLimit);
    Bytes atTheCap = ZstdWithHugeWindow();
    atTheCap[5] = (kZstdWindowLogMax - 10) << 3;  // 128 MiB: allowed, and the block is read
    const Decoded decoded = Decode(Methods()[4], atTheCap, 1000);
    EXPECT_NE(decoded.Result, srMemoryLimit);
}

}  // namespace
}  // namespace mobrel
