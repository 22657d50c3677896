// CRC-32 throughput next to zlib's crc32 on the same bytes (the corpus concatenated).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <time.h>

#include "bench_corpus.h"
#include "codecs/crc32.h"

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

uint32_t ZlibCrc(const std::vector<uint8_t>& bytes) {
    return static_cast<uint32_t>(crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
}

void BM_Crc32_Mobrel(benchmark::State& state) {
    const auto& bytes = mobrel::bench::CorpusBytes();
    for (auto _ : state) {
        benchmark::DoNotOptimize(mobrel::Crc32Of(bytes.data(), bytes.size()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_Crc32_Mobrel)->Unit(benchmark::kMillisecond);

void BM_Crc32_Zlib(benchmark::State& state) {
    const auto& bytes = mobrel::bench::CorpusBytes();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ZlibCrc(bytes));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_Crc32_Zlib)->Unit(benchmark::kMillisecond);

// Both in turn in every iteration; the counter
// "ratio" is zlib's time over ours (above 1: ours is faster).
void BM_Crc32_RatioToZlib(benchmark::State& state) {
    const auto& bytes = mobrel::bench::CorpusBytes();
    double ours = 0;
    double theirs = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const uint32_t a = mobrel::Crc32Of(bytes.data(), bytes.size());
        const auto t1 = Clock::now();
        const uint32_t b = ZlibCrc(bytes);
        const auto t2 = Clock::now();
        if (a != b) {
            state.SkipWithError("CRC differs from zlib's");
            break;
        }
        ours += (t1 - t0);
        theirs += (t2 - t1);
        state.SetIterationTime((t1 - t0));
    }
    state.counters["ratio"] = ours > 0 ? theirs / ours : 0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_Crc32_RatioToZlib)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
