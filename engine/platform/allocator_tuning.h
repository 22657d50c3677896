#pragma once
// How a front end asks the C library's allocator to keep what it frees. Zipping and
// extracting many small files allocates and frees buffers for each of them, several at
// once when workers run ahead; handed back to the system each time, their pages are
// touched afresh for the next file, and on a virtual machine each first touch is costly.

namespace mobrel {

// Keeps up to 4 MiB of freed memory at the top of each heap for reuse, and serves buffers
// below 512 KiB from the heaps rather than from fresh mappings. Called once, before any
// thread starts; a process-wide choice, so the program makes it, not the engine.
void KeepFreedMemoryForReuse();

}  // namespace mobrel
