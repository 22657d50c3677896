#include "reader/archive_decode_context.h"

#include "reader/un_zipper.h"

namespace mobrel {

void TArchiveDecodeContext::ReadArchive(uint8_t* buffer, size_t count) {
    owner_.ReadEntryData(buffer, count);
}

void TArchiveDecodeContext::WriteTarget(const uint8_t* data, size_t count) {
    owner_.WriteEntryOutput(data, count);
}

void TArchiveDecodeContext::OutputFlushed(size_t count) {
    owner_.ReportEntryProgress(count);
}

}  // namespace mobrel
