#pragma once
// How hard each pack level searches. The values trade speed for size; changing one
// changes the streams the compressor produces.
#include <cstdint>

namespace mobrel {

struct TDeflateTuning {
    // A previous match at least this long quarters the chain search.
    uint32_t GoodLength;
    // Fast levels: longest match after which every string is still inserted in the hash.
    // Lazy levels: previous match length from which no lazy search is made.
    uint32_t LazyLength;
    // A match at least this long ends the search.
    uint32_t NiceLength;
    // Most chain links followed per search.
    uint32_t ChainLength;
    // Levels 1 to 3 parse greedily, 4 to 9 lazily.
    bool FastParsing;
};

inline constexpr TDeflateTuning kDeflateTuning[10] = {
    {0, 0, 0, 0, true},            // 0: stores, never reaches the compressor
    {4, 4, 8, 4, true},            // 1
    {4, 5, 16, 8, true},           // 2
    {4, 6, 32, 32, true},          // 3
    {4, 4, 16, 16, false},         // 4
    {8, 16, 32, 32, false},        // 5
    {8, 16, 128, 128, false},      // 6
    {8, 32, 128, 256, false},      // 7
    {32, 128, 258, 1024, false},   // 8
    {32, 258, 258, 4096, false}};  // 9

}  // namespace mobrel
