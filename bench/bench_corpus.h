#pragma once
// The benchmark input: every file of the shared corpus concatenated, read once.
// MOBREL_BENCH_CORPUS picks the corpus folder ("small", the default, or "full").
#include <cstdint>
#include <vector>

namespace mobrel::bench {

const std::vector<uint8_t>& CorpusBytes();

}  // namespace mobrel::bench
