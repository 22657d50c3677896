#pragma once
// -T THREADS, taken by add, sfx, extract and test: how many threads compress or decode
// (0, the default, one per core; 1 everything on one thread, as older versions did).
#include "command_line.h"

namespace mobrel {
class TUnZipper;
}

namespace mobrel::cli {

// Sets the engine's thread count from -T; raises UsageError for anything but a count.
void UseThreadsOption(TUnZipper& zipper, const CommandLine& line);

}  // namespace mobrel::cli
