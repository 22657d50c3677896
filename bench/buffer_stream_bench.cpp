// What the 8 KB buffer costs and saves when the reader walks an archive file: single-byte
// reads (the local-header scan), header-sized reads, and 32 KB reads (the decoders' input)
// compared with reading the file stream directly.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/file_stream.h"
#include "platform/lfn_file_stream.h"

namespace {

constexpr int64_t kFileSize = 4 << 20;

const std::string& SampleFile() {
    static const std::string name = [] {
        std::string path = "/tmp/mobrel-bench-buffer-" + std::to_string(getpid());
        mobrel::TFileStream out(path, mobrel::TFileMode::Create);
        std::vector<uint8_t> block(1 << 20);
        for (size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<uint8_t>(i * 31);
        }
        for (int64_t done = 0; done < kFileSize; done += static_cast<int64_t>(block.size())) {
            out.WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
        }
        std::atexit([] { std::remove(SampleFile().c_str()); });
        return path;
    }();
    return name;
}

template <typename Stream>
void ReadWhole(benchmark::State& state, Stream& stream, int64_t chunk) {
    std::vector<uint8_t> buffer(static_cast<size_t>(chunk));
    int64_t total = 0;
    for (;;) {
        const int64_t n = stream.Read(buffer.data(), chunk);
        if (n <= 0) {
            break;
        }
        total += n;
    }
    benchmark::DoNotOptimize(total);
    state.SetBytesProcessed(state.bytes_processed() + total);
}

void BM_BufferedReads(benchmark::State& state) {
    for (auto _ : state) {
        mobrel::TLFNFileStream stream(SampleFile(), mobrel::TFileMode::OpenRead);
        ReadWhole(state, stream, state.range(0));
    }
}
BENCHMARK(BM_BufferedReads)->Arg(1)->Arg(30)->Arg(32768);

void BM_DirectReads(benchmark::State& state) {
    for (auto _ : state) {
        mobrel::TFileStream stream(SampleFile(), mobrel::TFileMode::OpenRead);
        ReadWhole(state, stream, state.range(0));
    }
}
BENCHMARK(BM_DirectReads)->Arg(30)->Arg(32768);

void BM_BufferedWrites(benchmark::State& state) {
    const std::string name = SampleFile() + ".out";
    std::vector<uint8_t> chunk(static_cast<size_t>(state.range(0)), 0x5A);
    for (auto _ : state) {
        mobrel::TLFNFileStream stream(name, mobrel::TFileMode::Create);
        for (int64_t done = 0; done < (1 << 20); done += state.range(0)) {
            stream.WriteBuffer(chunk.data(), state.range(0));
        }
        state.SetBytesProcessed(state.bytes_processed() + (1 << 20));
    }
    std::remove(name.c_str());
}
BENCHMARK(BM_BufferedWrites)->Arg(4)->Arg(46)->Arg(32768);

}  // namespace
