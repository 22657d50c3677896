#pragma once
// The writer's settings for splitting one archive over several disks or block files.
#include "reader/multi_mode.h"
#include "reader/split_naming.h"

namespace mobrel {

class TMultiZipInfo {
  public:
    TMultiMode MultiMode = mmNone;
    int BlockSize = 1457600;       // the limit of every block after the first
    int FirstBlockSize = 1457600;  // the limit of the first block
    int SaveOnFirstDisk = 0;       // bytes to leave free on the first spanned disk
    bool SaveZipInfoOnFirstDisk = false;
    bool CheckDiskLabels = true;
    bool WriteDiskLabels = true;
    TSplitNaming SplitNaming = snNumbered;  // how block files are named

    void Assign(const TMultiZipInfo& source) { *this = source; }
};

}  // namespace mobrel
