#pragma once
// The percentage every progress event reports.
#include <cstdint>

namespace mobrel {

// part of whole in percent, rounded to the nearest (halves to even), kept within 0..100;
// 0 when whole is 0 or less. The 32-bit form serves per-file progress, the 64-bit form
// the progress of a whole operation.
int PercentOf(int32_t part, int32_t whole);
int PercentOf(int64_t part, int64_t whole);

// total + amount for a running total of sizes an archive declares: a damaged or hostile
// directory may claim more than 64 bits can sum, and the total then stays at its largest.
int64_t AddedTotal(int64_t total, uint64_t amount);

}  // namespace mobrel
