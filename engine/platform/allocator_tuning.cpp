#include "platform/allocator_tuning.h"

#include <malloc.h>

namespace mobrel {

namespace {

// Above the largest buffer an operation allocates per file (the 256 KiB read and write
// blocks), below anything worth giving back at once.
constexpr int kMapThreshold = 512 << 10;
constexpr int kTrimThreshold = 4 << 20;
constexpr int kTopPad = 0;

}  // namespace

void KeepFreedMemoryForReuse() {
    // Only advice: an allocator without these settings ignores them.
    mallopt(M_MMAP_THRESHOLD, kMapThreshold);
    mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
    mallopt(M_TOP_PAD, kTopPad);
}

}  // namespace mobrel
