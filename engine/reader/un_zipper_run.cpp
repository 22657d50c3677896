// The extraction operations and the run they share: which entries a run takes (DoAll,
// FilesList, the Selected flags), the events around it, and the clean-up on every path.
#include <system_error>

#include "format/end_central.h"
#include "format/sorted_zip.h"
#include "platform/engine_errors.h"
#include "platform/file_permissions.h"
#include "platform/progress.h"
#include "platform/string_helpers.h"
#include "platform/wildcard_match.h"
#include "reader/folder_stamps.h"
#include "reader/output_guard.h"
#include "reader/un_zipper.h"

namespace mobrel {

namespace {

// Runs a clean-up when a scope ends, whichever way it ends.
template <class F>
class TOnExit {
  public:
    explicit TOnExit(F action) : action_(std::move(action)) {}
    ~TOnExit() { action_(); }
    TOnExit(const TOnExit&) = delete;
    TOnExit& operator=(const TOnExit&) = delete;

  private:
    F action_;
};

}  // namespace

int TUnZipper::UnZip() {
    busy_ = true;
    cancelRequested_ = false;
    TOnExit done([this] {
        busy_ = false;
        cancelRequested_ = false;
        // Every operation consumes FilesList, also one that fails before its run.
        filesList_.clear();
    });
    if (destDir_ == "?") {
        return 0;
    }
    ReadZip();
    OpenAndRefresh();
    const int count = RunExtraction();
    CloseZip();
    return count;
}

int TUnZipper::UnZipSelected() {
    selectedMode_ = true;
    TOnExit done([this] { selectedMode_ = false; });
    return UnZip();
}

int TUnZipper::UnZipToBuffer(std::vector<uint8_t>& buffer, int index) {
    busy_ = true;
    memoryTarget_ = true;
    TOnExit done([this] {
        memoryTarget_ = false;
        CloseZip();
        busy_ = false;
        cancelRequested_ = false;
        memoryBuffer_ = nullptr;
        selectedMode_ = false;
        filesList_.clear();
    });
    OpenAndRefresh();
    filesList_.clear();
    memoryBuffer_ = &buffer;
    if (index >= 0) {
        SetEntrySelected(index, true);
    }
    if (!doAll_) {
        selectedMode_ = true;
    }
    return RunExtraction();
}

bool TUnZipper::TestEntries(int index) {
    if (index != -1) {
        const uint8_t state = VisibleEntry(index).TestState;
        if (state == TZipHeaderInfo::kTestedOk) {
            return true;
        }
        if (state == TZipHeaderInfo::kTestFailed) {
            return false;
        }
    }
    const bool recreateDirs = recreateDirs_;
    const std::string destDir = destDir_;
    testMode_ = true;
    TOnExit done([this, recreateDirs, destDir] {
        testMode_ = false;
        recreateDirs_ = recreateDirs;
        destDir_ = destDir;
    });
    recreateDirs_ = true;
    destDir_.clear();
    if (index >= 0) {
        VisibleEntry(index).TestState = TZipHeaderInfo::kTestFailed;  // under way
    }
    std::vector<uint8_t> unused;  // test mode writes nothing
    const int count = UnZipToBuffer(unused, index);
    if (count <= 0) {
        return false;
    }
    if (index >= 0) {
        // The run may have read the directory again; a failed test stays marked failed.
        if (index < Count()) {
            VisibleEntry(index).TestState = TZipHeaderInfo::kTestedOk;
        }
        return true;
    }
    return doAll_ ? count >= Count() : count == selectedAtStart_;
}

bool TUnZipper::TestEntry(int index) {
    const bool doAll = doAll_;
    doAll_ = false;
    TOnExit done([this, doAll] { doAll_ = doAll; });
    return TestEntries(index);
}

// --- The run ---

int TUnZipper::RunExtraction() {
    cancelRequested_ = false;
    const bool keepZipOpen = keepZipOpen_;
    keepZipOpen_ = true;
    std::optional<TZipSortMode> sortToRestore;
    extractedCount_ = 0;
    // Read here, on the caller's thread, once: the umask belongs to the whole process.
    if (!memoryTarget_) {
        umask_ = ProcessUmask();
    }
    outputGuard_ = std::make_unique<TOutputGuard>(destDir_);
    folderStamps_ = std::make_unique<TFolderStamps>();
    freeSpace_.Clear();
    auto finish = [&] {
        // Also after an error or a cancel: the folders made so far get what they should.
        folderStamps_->Apply();
        ReleaseWorkAreas();
        filesList_.clear();
        if (sortToRestore) {
            Sort(*sortToRestore);
        }
        keepZipOpen_ = keepZipOpen;
        if (OnUnZipComplete) {
            OnUnZipComplete(*this, extractedCount_);
        }
    };
    try {
        AllocateWorkAreas();
        if (!destDir_.empty()) {
            std::error_code error;
            std::filesystem::create_directories(destDir_, error);
        }
        // The entries of a set are taken in disk order, so each disk is asked for once.
        if (endCentral_->ThisDisk != 0 && sortMode_ != ByNone) {
            sortToRestore = sortMode_;
            Sort(ByNone);
        }
        totalBytes_ = 0;
        bytesDone_ = 0;
        selectedAtStart_ = selectedCount_;
        const int numFiles = MarkChosenEntries();
        bool stopNow = false;
        if (OnStartUnZipInfo) {
            OnStartUnZipInfo(*this, numFiles, totalBytes_, stopNow);
        }
        if (numFiles > 1 && !stopNow && CanDecodeInParallel()) {
            RunChosenEntriesInParallel();
        } else if (numFiles > 0 && !stopNow) {
            RunChosenEntries();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return extractedCount_;
}

bool TUnZipper::MatchesFilesList(const TZipHeaderInfo& entry) const {
    const std::string name = LowerAscii(entry.FullName());
    for (const std::string& line : filesList_) {
        if (WildcardMatch(LowerAscii(line), name)) {
            return true;
        }
    }
    return false;
}

int TUnZipper::MarkChosenEntries() {
    int numFiles = Count();
    for (int i = 0; i < Count(); ++i) {
        TZipHeaderInfo& entry = VisibleEntry(i);
        entry.Marked = doAll_;
        if (entry.FileName().empty() && !recreateDirs_) {
            entry.Marked = false;
            --numFiles;
            continue;
        }
        if (selectedMode_) {
            if (entry.Selected) {
                entry.Marked = true;
                entry.Selected = false;
                --selectedCount_;
            }
        } else if (!entry.Marked && MatchesFilesList(entry)) {
            entry.Marked = true;
        }
        // Folders take part (with RecreateDirs) but are neither files nor bytes to count.
        if (entry.Marked && !entry.FileName().empty()) {
            totalBytes_ = AddedTotal(totalBytes_, entry.UncompressedSize);
        } else {
            --numFiles;
        }
    }
    return numFiles;
}

void TUnZipper::RunChosenEntries() {
    for (int i = 0; i < Count(); ++i) {
        if (!doAll_ && !VisibleEntry(i).Marked) {
            continue;
        }
        bool retry = false;
        do {
            ExtractEntry(i, retry);
        } while (retry);
    }
}

}  // namespace mobrel
