#pragma once
// The percentage every progress event reports.
#include <cstdint>

namespace mobrel {

// part of whole in percent, rounded to the nearest (halves to even), kept within 0..100;
// 0 when whole is 0 or less. The 32-bit form serves per-file progress, the 64-bit form
// the progress of a whole operation.
int PercentOf(int32_t part, int32_t whole);
int PercentOf(int64_t part, int64_t whole);

}  // namespace mobrel
