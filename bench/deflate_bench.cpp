// Deflate next to zlib's deflate at the same level (raw stream, default strategy, 32 KB
// window) on the concatenated corpus: compressed size and throughput. Ours reads through
// a read routine and writes through a write routine, as the writer drives it; both copy
// from and into memory here.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <time.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "bench_corpus.h"
#include "codecs/deflater.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Thread CPU time, so other programs on a busy machine slow neither side.
double CpuNow() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

size_t MobrelDeflate(mobrel::TDeflater& deflater, const Bytes& input, Bytes& output, int level) {
    size_t readPosition = 0;
    size_t written = 0;
    auto read = [&](uint8_t* buffer, size_t count) {
        const size_t n = std::min(count, input.size() - readPosition);
        std::memcpy(buffer, input.data() + readPosition, n);
        readPosition += n;
        return n;
    };
    auto write = [&](const uint8_t* buffer, size_t count) {
        if (written + count > output.size()) {
            throw std::runtime_error("output buffer too small");
        }
        std::memcpy(output.data() + written, buffer, count);
        written += count;
    };
    return static_cast<size_t>(deflater.deflate(level, read, write).CompressedSize);
}

size_t ZlibDeflate(const Bytes& input, Bytes& output, int level) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    z.next_in = const_cast<Bytef*>(input.data());
    z.avail_in = static_cast<uInt>(input.size());
    z.next_out = output.data();
    z.avail_out = static_cast<uInt>(output.size());
    const int rc = deflate(&z, Z_FINISH);
    const size_t produced = z.total_out;
    deflateEnd(&z);
    if (rc != Z_STREAM_END) {
        throw std::runtime_error("zlib deflate failed");
    }
    return produced;
}

Bytes OutputBuffer(const Bytes& input) {
    return Bytes(input.size() + input.size() / 100 + 4096);
}

void BM_Deflate_Mobrel(benchmark::State& state) {
    const Bytes& input = mobrel::bench::CorpusBytes();
    const int level = static_cast<int>(state.range(0));
    Bytes output = OutputBuffer(input);
    mobrel::TDeflater deflater;
    size_t size = 0;
    for (auto _ : state) {
        size = MobrelDeflate(deflater, input, output, level);
        benchmark::DoNotOptimize(size);
    }
    state.counters["size"] = static_cast<double>(size);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}
BENCHMARK(BM_Deflate_Mobrel)->Arg(1)->Arg(6)->Arg(9)->Unit(benchmark::kMillisecond);

void BM_Deflate_Zlib(benchmark::State& state) {
    const Bytes& input = mobrel::bench::CorpusBytes();
    const int level = static_cast<int>(state.range(0));
    Bytes output = OutputBuffer(input);
    size_t size = 0;
    for (auto _ : state) {
        size = ZlibDeflate(input, output, level);
        benchmark::DoNotOptimize(size);
    }
    state.counters["size"] = static_cast<double>(size);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}
BENCHMARK(BM_Deflate_Zlib)->Arg(1)->Arg(6)->Arg(9)->Unit(benchmark::kMillisecond);

// Ours and zlib's in turn in every iteration at one level. "size_ratio" is our size over
// zlib's (below 1: ours is smaller); "speed_ratio" is zlib's CPU time over ours (above 1:
// ours is faster); the MB/s columns are each side's throughput.
void BM_Deflate_RatioToZlib(benchmark::State& state) {
    const Bytes& input = mobrel::bench::CorpusBytes();
    const int level = static_cast<int>(state.range(0));
    Bytes output = OutputBuffer(input);
    mobrel::TDeflater deflater;
    double ours = 0;
    double theirs = 0;
    size_t ourSize = 0;
    size_t theirSize = 0;
    for (auto _ : state) {
        const double t0 = CpuNow();
        ourSize = MobrelDeflate(deflater, input, output, level);
        const double t1 = CpuNow();
        theirSize = ZlibDeflate(input, output, level);
        const double t2 = CpuNow();
        ours += t1 - t0;
        theirs += t2 - t1;
        state.SetIterationTime(t1 - t0);
    }
    const double megabytes =
        static_cast<double>(input.size()) * 1e-6 * static_cast<double>(state.iterations());
    state.counters["size"] = static_cast<double>(ourSize);
    state.counters["zlib_size"] = static_cast<double>(theirSize);
    state.counters["size_ratio"] = static_cast<double>(ourSize) / static_cast<double>(theirSize);
    state.counters["MBps"] = ours > 0 ? megabytes / ours : 0;
    state.counters["zlib_MBps"] = theirs > 0 ? megabytes / theirs : 0;
    state.counters["speed_ratio"] = ours > 0 ? theirs / ours : 0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}
BENCHMARK(BM_Deflate_RatioToZlib)
    ->Arg(1)
    ->Arg(6)
    ->Arg(9)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
