// PLACEHOLDER for the per-entry extraction step: it counts each chosen entry as extracted
// without reading or decoding anything, so the reader's run, its choosing and its events
// can be used and tested. The extraction step replaces this whole file: ExtractEntry,
// AllocateWorkAreas and ReleaseWorkAreas are declared in reader/un_zipper.h.
#include "extract/decode_context.h"
#include "reader/sorted_zip.h"
#include "reader/un_zipper.h"

namespace mobrel {

void TUnZipper::ExtractEntry(int fileIndex, bool& retry) {
    retry = false;
    spare_->Assign(VisibleEntry(fileIndex));
    ++extractedCount_;
}

void TUnZipper::AllocateWorkAreas() {}

void TUnZipper::ReleaseWorkAreas() {
    decodeContext_.reset();
}

}  // namespace mobrel
