// Inflate throughput next to zlib's inflate on the same raw deflate stream (the corpus
// concatenated, compressed by zlib at level 6). Ours always computes the CRC-32 as it
// hands output over, so it is compared with zlib's inflate alone and with zlib's inflate
// followed by crc32 (what an extractor does).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <time.h>

#include <stdexcept>
#include <vector>

#include "bench_corpus.h"
#include "codecs/inflate.h"
#include "codecs/memory_decode_context.h"

namespace {

// The ratios compare the CPU time of this thread: other programs on a busy machine then
// slow neither side.
struct Clock {
    static double now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    }
};
using Bytes = std::vector<uint8_t>;

const Bytes& Compressed() {
    static const Bytes stream = [] {
        const Bytes& input = mobrel::bench::CorpusBytes();
        z_stream z{};
        deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        Bytes out(deflateBound(&z, input.size()));
        z.next_in = const_cast<Bytef*>(input.data());
        z.avail_in = static_cast<uInt>(input.size());
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        if (deflate(&z, Z_FINISH) != Z_STREAM_END) {
            throw std::runtime_error("deflate failed");
        }
        out.resize(z.total_out);
        deflateEnd(&z);
        return out;
    }();
    return stream;
}

// Into one output buffer of the whole size, as zlib's one-shot use does.
size_t ZlibInflate(const Bytes& stream, Bytes& output) {
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = output.data();
    z.avail_out = static_cast<uInt>(output.size());
    const int rc = inflate(&z, Z_FINISH);
    const size_t produced = z.total_out;
    inflateEnd(&z);
    if (rc != Z_STREAM_END) {
        throw std::runtime_error("zlib inflate failed");
    }
    return produced;
}

uint32_t MobrelInflate(mobrel::TMemoryDecodeContext& context, size_t size) {
    context.Start(static_cast<int64_t>(size));
    if (mobrel::Inflate(context) != mobrel::irOk) {
        throw std::runtime_error("inflate failed");
    }
    return context.FinishedCrc();
}

void BM_Inflate_Mobrel(benchmark::State& state) {
    const Bytes& input = mobrel::bench::CorpusBytes();
    mobrel::TMemoryDecodeContext context(Compressed());
    context.SetKeepOutput(false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(MobrelInflate(context, input.size()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}
BENCHMARK(BM_Inflate_Mobrel)->Unit(benchmark::kMillisecond);

void BM_Inflate_Zlib(benchmark::State& state) {
    const Bytes& input = mobrel::bench::CorpusBytes();
    Bytes output(input.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(ZlibInflate(Compressed(), output));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}
BENCHMARK(BM_Inflate_Zlib)->Unit(benchmark::kMillisecond);

// Ours and zlib's in turn in every iteration; "ratio" is zlib's time over ours (above
// 1: ours is faster), "ratio_crc" the same with zlib's crc32 added to its side.
void BM_Inflate_RatioToZlib(benchmark::State& state) {
    const Bytes& input = mobrel::bench::CorpusBytes();
    mobrel::TMemoryDecodeContext context(Compressed());
    context.SetKeepOutput(false);
    Bytes output(input.size());
    double ours = 0;
    double theirs = 0;
    double theirCrc = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const uint32_t crc = MobrelInflate(context, input.size());
        const auto t1 = Clock::now();
        const size_t produced = ZlibInflate(Compressed(), output);
        const auto t2 = Clock::now();
        const auto zlibCrc =
            static_cast<uint32_t>(crc32(0L, output.data(), static_cast<uInt>(produced)));
        const auto t3 = Clock::now();
        if (crc != zlibCrc || produced != input.size()) {
            state.SkipWithError("output differs from zlib's");
            break;
        }
        ours += (t1 - t0);
        theirs += (t2 - t1);
        theirCrc += (t3 - t2);
        state.SetIterationTime((t1 - t0));
    }
    state.counters["ratio"] = ours > 0 ? theirs / ours : 0;
    state.counters["ratio_crc"] = ours > 0 ? (theirs + theirCrc) / ours : 0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}
BENCHMARK(BM_Inflate_RatioToZlib)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
