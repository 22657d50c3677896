// Where multi-disk writing joins the zip operation: the checks and the room reserved before
// anything is written, the records that may start a new disk, the entry data copied out
// across disks with its progress, and the set's naming and ".zfc" copy at the end.
#include <algorithm>
#include <optional>

#include "format/end_central.h"
#include "format/modification_time_field.h"
#include "format/zip_format.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "platform/progress.h"
#include "writer/multi_disk_writer.h"
#include "writer/zip_configuration_file.h"
#include "writer/zip_run_state.h"
#include "writer/zipper.h"

namespace mobrel {

namespace {

// Room the ".zfc" copy may take on the first spanned disk, by a rough size per name.
constexpr int64_t kZipInfoPerStoredPath = 83;
constexpr int64_t kZipInfoPerName = 58;
constexpr int64_t kZipInfoSlack = 2048;

}  // namespace

// --- Before anything is written ---

void TZipper::StartMultiDisk() {
    if (MultiMode() == mmNone) {
        return;
    }
    RefuseMultiDiskProgram();
    TMultiDiskSettings settings;
    settings.Mode = MultiMode();
    settings.ArchiveName = ZipName();
    settings.SpoolFolder = TemporaryFolder();
    settings.CommitVolumes = FlushFilesOnClose();
    if (settings.Mode == mmBlocks) {
        CheckBlockSizes();
        settings.FirstLimit = multiZipInfo_.FirstBlockSize;
        settings.BlockSize = multiZipInfo_.BlockSize;
        settings.Naming = multiZipInfo_.SplitNaming;
    } else {
        settings.FirstLimit = FirstDiskLimit();
    }
    run_->MultiDisk = std::make_unique<TMultiDiskWriter>(std::move(settings), *run_);
    TMultiDiskWriter& writer = *run_->MultiDisk;
    writer.CreateFile = [this](const std::string& fileName) { return CreateOutputFile(fileName); };
    writer.FreeSpace = [this](const std::string& folder) { return FreeSpaceOn(folder); };
    writer.GetNextDisk = [this](int nextDisk, std::string& fileName) {
        if (OnGetNextDisk) {
            OnGetNextDisk(*this, nextDisk, fileName);
        } else {
            fileName.clear();
        }
    };
    writer.PrepareNextDisk = [this](int diskNum) {
        if (OnPrepareNextDisk) {
            OnPrepareNextDisk(*this, diskNum);
        }
    };
}

void TZipper::RefuseMultiDiskProgram() const {
    // The program's stub belongs in front of one whole archive, and a repaired copy goes to
    // a name of its own: neither fits a set of disks named after the archive.
    if (sfxMode_) {
        throw EGeneralError("A self-extracting program can't be written in multi-disk mode");
    }
    if (!alternativeDestination_.empty()) {
        throw EGeneralError("A repaired archive can't be written in multi-disk mode");
    }
}

void TZipper::MeasureNewHeaders(int64_t& largestLocal, int64_t& largestCentral,
                                int64_t& centralTotal) const {
    largestLocal = 0;
    largestCentral = 0;
    centralTotal = 0;
    for (const std::string& name : FilesList()) {
        std::string directory;
        std::string fileName;
        StoredNameOf(name, directory, fileName);
        TZipHeaderInfo header;
        header.SetDirectory(directory);
        header.SetFileName(fileName);
        // Every new entry carries its modification time in both headers.
        header.LocalExtra = ExtendedTimestampField(0);
        header.CentralExtra = header.LocalExtra;
        largestLocal = std::max<int64_t>(largestLocal, header.LocalSize());
        largestCentral = std::max<int64_t>(largestCentral, header.CentralSize());
        centralTotal += header.CentralSize();
    }
}

int64_t TZipper::NewEndRecordSize() const {
    // The new end record carries the old comment only when it was changed (set for the set),
    // and the ZIP64 records when a count, offset or disk number passes the classic fields,
    // which can't be known before the run: room is kept for them.
    return static_cast<int64_t>(kZip64EndSize + kZip64LocatorSize + kEndCentralSize) +
           (endCentral_->Modified ? endCentral_->CommentLength : 0);
}

void TZipper::CheckBlockSizes() const {
    int64_t largestLocal = 0;
    int64_t largestCentral = 0;
    int64_t centralTotal = 0;
    MeasureNewHeaders(largestLocal, largestCentral, centralTotal);
    // Records are never split over blocks, and a local header needs a byte of its data
    // behind it, so a block smaller than this could make no progress.
    const int64_t minimum = std::max({largestLocal + 1, largestCentral, NewEndRecordSize()});
    const int64_t first = multiZipInfo_.FirstBlockSize;
    const int64_t later = multiZipInfo_.BlockSize;
    if (first >= minimum && later >= minimum) {
        return;
    }
    throw EGeneralError("Block sizes of " + std::to_string(first) + " and " +
                        std::to_string(later) + " bytes are too small for this archive: every " +
                        "block must hold at least " + std::to_string(minimum) +
                        " bytes, its largest header or end record");
}

int64_t TZipper::FirstDiskLimit() {
    // The reservation holds for this run only: the property is the user's, and growing it
    // would reserve more and more with every run.
    int64_t reserved = multiZipInfo_.SaveOnFirstDisk;
    if (multiZipInfo_.SaveZipInfoOnFirstDisk) {
        int64_t largestLocal = 0;
        int64_t largestCentral = 0;
        int64_t centralTotal = 0;
        MeasureNewHeaders(largestLocal, largestCentral, centralTotal);
        const int64_t perName = StorePaths() ? kZipInfoPerStoredPath : kZipInfoPerName;
        const auto names = static_cast<int64_t>(FilesList().size());
        // The rough size per name falls short for long names; the real headers never do.
        reserved += std::max(names * perName, centralTotal) + endCentral_->CommentLength +
                    static_cast<int64_t>(kEndCentralSize) + kZipInfoSlack;
    }
    const std::string folder = FolderPart(ZipName());
    return TMultiDiskWriter::SpaceLimit(FreeSpaceOn(folder.empty() ? "." : folder)) - reserved;
}

std::string TZipper::FirstOutputName() {
    return run_->MultiDisk ? run_->MultiDisk->FirstVolumeFile() : ZipName();
}

// --- Records ---

void TZipper::CopyOutFileData(const TZipHeaderInfo& entry) {
    TZipRunState& run = *run_;
    const int64_t uncompressed = entry.UncompressedSize;
    const int64_t compressed = entry.CompressedSize;
    // The total counted every byte twice as uncompressed; the copy moves compressed bytes.
    run.TotalBytes -= uncompressed - compressed;
    int64_t fileDone = uncompressed;
    run.MultiDisk->CopyOutFileData([&](int64_t bytesCopied) {
        fileDone += bytesCopied;
        if (OnFilePercentDone) {
            OnFilePercentDone(*this, PercentOf(fileDone, uncompressed + compressed));
        }
        run.BytesDone += bytesCopied;
        if (OnTotalPercentDone) {
            OnTotalPercentDone(*this, PercentOf(run.BytesDone, run.TotalBytes));
        }
        CheckCancel();
    });
}

void TZipper::BeforeCentralHeader(const TZipHeaderInfo& entry) {
    if (run_->MultiDisk) {
        run_->MultiDisk->MakeRoomForCentralHeader(entry, *run_->NewEnd);
    }
}

void TZipper::BeforeEndRecord() {
    if (run_->MultiDisk) {
        run_->MultiDisk->MakeRoomForEndRecord(*run_->NewEnd);
    }
}

// --- Finishing ---

void TZipper::PlaceMultiDiskSet() {
    if (run_->MultiDisk) {
        TUnZipper::SetZipName(run_->MultiDisk->PlaceLastVolume());
    }
}

void TZipper::FinishMultiDisk() {
    if (!run_->MultiDisk) {
        return;
    }
    // ZipName is the last block, holding the end record, or a spanned set's first disk.
    currentDisk_ = MultiMode() == mmBlocks ? run_->CurrentDisk : 0;
    if (OnTotalPercentDone) {
        OnTotalPercentDone(*this, 100);
    }
    if (multiZipInfo_.SaveZipInfoOnFirstDisk && run_->CurrentDisk > 0) {
        SaveZipConfiguration();
    }
}

void TZipper::SaveZipConfiguration() {
    // A spanned set's copy goes on its first disk, which the user puts back in.
    std::optional<TBusyCursorScope> busy;
    if (MultiMode() == mmSpan) {
        busy.emplace();
        try {
            OpenDisk(1);
        } catch (const EEngineError&) {
            Services().MessageBox("Unable to create Zip Configuration File to disk", "",
                                  TMsgButtons::Ok);
            return;
        }
    }
    SaveZipConfigurationFile(ChangeFileExt(ZipName(), ".zfc"), *physical_, *endCentral_);
}

}  // namespace mobrel
