#pragma once
// The writer's settings for splitting one archive over several disks or block files.
#include <cstdint>

#include "reader/multi_mode.h"
#include "reader/split_naming.h"

namespace mobrel {

class TMultiZipInfo {
  public:
    TMultiMode MultiMode = mmNone;
    // Block files may pass 4 GiB: offsets in them and their sizes take the ZIP64 fields.
    int64_t BlockSize = 1457600;       // the limit of every block after the first
    int64_t FirstBlockSize = 1457600;  // the limit of the first block
    int64_t SaveOnFirstDisk = 0;       // bytes to leave free on the first spanned disk
    bool SaveZipInfoOnFirstDisk = false;
    bool CheckDiskLabels = true;
    bool WriteDiskLabels = true;
    TSplitNaming SplitNaming = snNumbered;  // how block files are named

    void Assign(const TMultiZipInfo& source) { *this = source; }
};

}  // namespace mobrel
