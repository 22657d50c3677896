#include "platform/allocator_tuning.h"

#include <malloc.h>

namespace mobrel {

namespace {

// Above the largest buffer an operation allocates per file (the 256 KiB read and write
// blocks), so those come from the heaps.
constexpr int kMapThreshold = 512 << 10;
// Enough for the buffers of the files in flight; more would only raise the peak.
constexpr int kTrimThreshold = 4 << 20;
// A heap grows by what is asked, no more.
constexpr int kTopPad = 0;

}  // namespace

void KeepFreedMemoryForReuse() {
    // Only advice: an allocator without these settings ignores them.
    mallopt(M_MMAP_THRESHOLD, kMapThreshold);
    mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
    mallopt(M_TOP_PAD, kTopPad);
}

}  // namespace mobrel
