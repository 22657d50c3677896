// What the engine's directory costs per entry: opens ARCHIVE with TUnZipper as
// `mobrel-cli list` does and prints, on one line, the time ReadZip took, the growth of
// the heap in use (glibc's mallinfo2) and of the peak resident size, each over the entry
// count. A program of its own, not a Google Benchmark: the peak is the whole process's, so
// nothing else may run before it. bench/compare-list runs it.
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

#include "reader/un_zipper.h"

namespace {

// The peak resident size of this program's memory, VmHWM. Not getrusage's ru_maxrss:
// that one keeps the peak of the process image before exec, so a program started from a
// large parent (Python, say) would start at the parent's peak and show no growth.
long PeakKiB() {
    std::ifstream status("/proc/self/status");
    std::string field;
    while (status >> field) {
        if (field == "VmHWM:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mobrel_directory_memory ARCHIVE\n");
        return 2;
    }
    try {
        mobrel::TUnZipper zipper;
        zipper.SetIncompleteZipMode(mobrel::izAssumeBad);
        zipper.SetZipName(argv[1]);
        const long peakBefore = PeakKiB();
        const size_t heapBefore = mallinfo2().uordblks;
        const auto started = std::chrono::steady_clock::now();
        zipper.ReadZip();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
        const size_t heapAfter = mallinfo2().uordblks;
        const long peakAfter = PeakKiB();
        const int count = zipper.Count();
        if (count == 0) {
            std::printf("no entries\n");
            return 0;
        }
        const double heap = static_cast<double>(heapAfter) - static_cast<double>(heapBefore);
        const double peak = static_cast<double>(peakAfter - peakBefore) * 1024.0;
        std::printf(
            "ReadZip %.3f s; heap in use +%.0f KiB = %.0f bytes/entry; "
            "peak RSS %ld -> %ld KiB = %.0f bytes/entry\n",
            took.count(), heap / 1024.0, heap / count, peakBefore, peakAfter, peak / count);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mobrel_directory_memory: %s\n", error.what());
        return 2;
    }
}
