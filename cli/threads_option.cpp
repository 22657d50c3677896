#include "threads_option.h"

#include <charconv>

#include "reader/un_zipper.h"

namespace mobrel::cli {

namespace {

// More threads than this only cost memory: no machine we know runs them at once.
constexpr int kMostThreads = 1024;

}  // namespace

void UseThreadsOption(TUnZipper& zipper, const CommandLine& line) {
    const std::optional<std::string> text = line.Value("-T");
    if (!text) {
        return;
    }
    int threads = -1;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, threads);
    if (error != std::errc() || stop != end || threads < 0 || threads > kMostThreads) {
        throw UsageError("-T takes a number of threads from 0 (one per core) to " +
                         std::to_string(kMostThreads) + ", not \"" + *text + "\"");
    }
    zipper.SetThreads(threads);
}

}  // namespace mobrel::cli
