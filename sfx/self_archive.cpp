#include "self_archive.h"

#include <algorithm>

#include "format/end_central.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "platform/file_stream.h"

namespace mobrel::sfx {

TSelfArchive::TSelfArchive(const std::string& programPath) {
    // A program without an archive behind it must say so, not go looking for disk sets.
    SetIncompleteZipMode(izAssumeNotAZip);
    SetZipName(programPath);
    ReadZip();
}

int64_t TSelfArchive::ArchiveStart() const {
    int64_t start = endCentral_ ? endCentral_->CentralOffset : 0;
    for (int i = 0; i < Count(); ++i) {
        start = std::min<int64_t>(start, EntryInfo(i).LocalHeaderOffset);
    }
    return start;
}

std::optional<TSFXSettings> TSelfArchive::ReadSettings() const {
    TFileStream program(ZipName(), TFileMode::OpenRead);
    return ReadConfigBlockBefore(program, ArchiveStart());
}

}  // namespace mobrel::sfx
