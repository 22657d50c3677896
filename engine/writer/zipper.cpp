// The writer component's settings, its coupled setters and the operations that all run the
// one zip operation in a mode of their own.
#include "writer/zipper.h"

#include "format/end_central.h"
#include "writer/zip_run_state.h"

namespace mobrel {

TZipper::TZipper() {
    TUnZipper::SetMultiMode(multiZipInfo_.MultiMode);
    TUnZipper::SetCheckDiskLabels(multiZipInfo_.CheckDiskLabels);
}

TZipper::~TZipper() = default;

void TZipper::Assign(const TUnZipper& source) {
    TUnZipper::Assign(source);
    const auto* zipper = dynamic_cast<const TZipper*>(&source);
    if (zipper == nullptr || zipper == this) {
        return;
    }
    packLevel_ = zipper->packLevel_;
    recurse_ = zipper->recurse_;
    dispose_ = zipper->dispose_;
    storePaths_ = zipper->storePaths_;
    relativePaths_ = zipper->relativePaths_;
    storeVolumes_ = zipper->storeVolumes_;
    zipAction_ = zipper->zipAction_;
    SetMultiZipInfo(zipper->multiZipInfo_);
    store83Names_ = zipper->store83Names_;
    tempPath_ = zipper->tempPath_;
    skipIfArchiveBitNotSet_ = zipper->skipIfArchiveBitNotSet_;
    resetArchiveBitOnZip_ = zipper->resetArchiveBitOnZip_;
    excludeList_ = zipper->excludeList_;
    noCompressList_ = zipper->noCompressList_;
    addDirEntriesOnRecurse_ = zipper->addDirEntriesOnRecurse_;
    storeSymlinks_ = zipper->storeSymlinks_;
    compressionMethod_ = zipper->compressionMethod_;
    encryption_ = zipper->encryption_;
    OnStartZip = zipper->OnStartZip;
    OnStartZipInfo = zipper->OnStartZipInfo;
    OnEndZip = zipper->OnEndZip;
    OnDisposeFile = zipper->OnDisposeFile;
    OnDeleteEntry = zipper->OnDeleteEntry;
    OnNoSuchFile = zipper->OnNoSuchFile;
    OnNoFileMatches = zipper->OnNoFileMatches;
    OnZipComplete = zipper->OnZipComplete;
    OnUpdate = zipper->OnUpdate;
}

void TZipper::SetZipName(const std::string& value) {
    if (value == ZipName()) {
        return;
    }
    // Changed comments live only in this directory: write them before it is forgotten.
    if (endCentral_->Modified && !ZipName().empty()) {
        FilesList().clear();
        RunZipOperation();
        endCentral_->Modified = false;
    }
    TUnZipper::SetZipName(value);
}

void TZipper::SetStorePaths(bool value) {
    storePaths_ = value;
    if (!value) {
        relativePaths_ = false;
        storeVolumes_ = false;
    }
}

void TZipper::SetRelativePaths(bool value) {
    relativePaths_ = value;
    if (value) {
        storePaths_ = true;
        recurse_ = true;
    }
}

void TZipper::SetStoreVolumes(bool value) {
    storeVolumes_ = value;
    if (value) {
        storePaths_ = true;
    }
}

void TZipper::SetMultiZipInfo(const TMultiZipInfo& value) {
    multiZipInfo_.Assign(value);
    TUnZipper::SetMultiMode(value.MultiMode);
    TUnZipper::SetCheckDiskLabels(value.CheckDiskLabels);
}

void TZipper::SetMultiMode(TMultiMode value) {
    multiZipInfo_.MultiMode = value;
    TUnZipper::SetMultiMode(value);
}

void TZipper::SetCheckDiskLabels(bool value) {
    multiZipInfo_.CheckDiskLabels = value;
    TUnZipper::SetCheckDiskLabels(value);
}

// --- Operations ---

int TZipper::Zip() {
    const int count = RunZipOperation();
    if (OnZipComplete) {
        OnZipComplete(*this, count);
    }
    return count;
}

int TZipper::DeleteEntries() {
    if (SelectedCount() > 0) {
        FilesList().clear();
    }
    deleting_ = true;
    try {
        const int count = RunZipOperation();
        deleting_ = false;
        return count;
    } catch (...) {
        deleting_ = false;
        throw;
    }
}

void TZipper::SaveModifiedZipFile() {
    if (!endCentral_->Modified) {
        return;
    }
    FilesList().clear();
    RunZipOperation();
    endCentral_->Modified = false;
    ReadZip();
}

}  // namespace mobrel
