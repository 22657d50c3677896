// Reading a large central directory into records, and filling the directory's views.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "format/sorted_zip.h"
#include "format/zip_header_info.h"
#include "platform/memory_stream.h"

namespace mobrel {
namespace {

// A central directory of count entries with names like "dir17/file42.txt" and dates
// spread over two decades.
TMemoryStream& CentralDirectory(int count) {
    static std::unique_ptr<TMemoryStream> stream;
    static int made = -1;
    if (made != count) {
        stream = std::make_unique<TMemoryStream>();
        for (int i = 0; i < count; ++i) {
            TZipHeaderInfo record;
            record.SetDirectory("dir" + std::to_string(i % 97));
            record.SetFileName("file" + std::to_string((i * 7919) % count) + ".txt");
            record.LocalHeaderOffset = static_cast<uint32_t>(i) * 100;
            record.CompressedSize = static_cast<uint32_t>(i * 31 % 5000);
            record.UncompressedSize = static_cast<uint32_t>(i * 17 % 9000 + 1);
            // Days spread over some 20 years, times over the day.
            const int day = (i * 7919) % 7300;
            record.DosDateTime =
                static_cast<uint32_t>((day / 365 + 20) << 25 | (day / 31 % 12 + 1) << 21 |
                                      (day % 28 + 1) << 16 | (i % 24) << 11 | (i % 60) << 5);
            record.WriteCentral(*stream);
        }
        made = count;
    }
    return *stream;
}

void BM_ReadCentralHeaders(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    TMemoryStream& stream = CentralDirectory(count);
    for (auto _ : state) {
        stream.Seek(0, soBeginning);
        TSortedZip physical(dupError, ByNone);
        for (int i = 0; i < count; ++i) {
            auto record = std::make_unique<TZipHeaderInfo>();
            if (!record->ReadCentral(stream)) {
                state.SkipWithError("unreadable header");
                break;
            }
            physical.Add(record.release());
        }
        benchmark::DoNotOptimize(physical.Count());
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.SetBytesProcessed(state.iterations() * stream.Size());
}
BENCHMARK(BM_ReadCentralHeaders)->Arg(1000)->Arg(65535);

void BM_SortedView(benchmark::State& state) {
    const int count = 65535;
    TMemoryStream& stream = CentralDirectory(count);
    stream.Seek(0, soBeginning);
    TSortedZip physical(dupError, ByNone);
    for (int i = 0; i < count; ++i) {
        auto record = std::make_unique<TZipHeaderInfo>();
        record->ReadCentral(stream);
        physical.Add(record.release());
    }
    const auto mode = static_cast<TZipSortMode>(state.range(0));
    for (auto _ : state) {
        TSortedZip view(dupAccept, mode);
        view.SetOwnsObjects(false);
        for (TZipHeaderInfo* record : physical) {
            view.Add(record);
        }
        benchmark::DoNotOptimize(view.Count());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SortedView)
    ->Arg(ByName)
    ->Arg(ByDate)
    ->Arg(ByCompressedSize)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mobrel
