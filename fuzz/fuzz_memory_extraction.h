#pragma once
// Extracts every entry of an open archive into memory, one at a time; an entry that gives
// more bytes than it declares is a fault and ends the process.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/engine_errors.h"
#include "reader/un_zipper.h"

namespace mobrel::fuzz {

// Entries declaring more than largestEntry are left out, so one input stays quick.
inline void ExtractEachEntryToMemory(TUnZipper& zipper, uint64_t largestEntry) {
    for (int i = 0; i < zipper.Count(); ++i) {
        const uint64_t declared = zipper.EntryUncompressedSize(i);
        if (declared > largestEntry) {
            continue;
        }
        std::vector<uint8_t> buffer;
        try {
            zipper.UnZipToBuffer(buffer, i);
        } catch (const EEngineError&) {
        }
        if (buffer.size() > declared) {
            std::fprintf(stderr, "entry %d: more bytes than it declares\n", i);
            std::abort();
        }
    }
}

}  // namespace mobrel::fuzz
