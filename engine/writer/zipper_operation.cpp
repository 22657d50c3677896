// The one operation behind every writing call: choose the files, write a new archive (the
// kept entries of an existing one first), write the central directory and end record, and
// hand the finished file over. Until the hand-over the old archive is only read, and every
// failure removes what was written.
#include <filesystem>
#include <system_error>

#include "format/end_central.h"
#include "format/sorted_zip.h"
#include "platform/engine_errors.h"
#include "platform/file_helpers.h"
#include "platform/file_stream.h"
#include "platform/new_file_mode.h"
#include "platform/replace_file.h"
#include "platform/temp_files.h"
#include "writer/files_list_names.h"
#include "writer/zip_run_state.h"
#include "writer/zipper.h"

namespace mobrel {

int TZipper::RunZipOperation() {
    if (IsBlankName(ZipName())) {
        FilesList().clear();
        return 0;
    }
    // Multi-disk mode always writes a new set, which would drop the entries of the archive
    // that an operation is meant only to rewrite.
    if (MultiMode() != mmNone && (deleting_ || FilesList().empty()) && FileExists(ZipName())) {
        FilesList().clear();
        throw EGeneralError("An existing archive can't be rewritten in multi-disk mode");
    }
    BeginOperation();
    try {
        if (!deleting_ && !FilesList().empty()) {
            ExpandFilesList();
            if (NothingToZip()) {
                EndOperation();
                return 0;
            }
        }
        StartMultiDisk();
    } catch (...) {
        EndOperation();
        throw;
    }
    try {
        run_->Deflater = std::make_unique<TDeflater>();
        if (CreatesNewArchive()) {
            OpenOutput(FirstOutputName());
        } else {
            run_->Updating = true;
            // A replaced archive is not read at all: it may not even be a zip file.
            const bool keepsEntries = !replaceExisting_ || deleting_ || fixing_;
            if (keepsEntries) {
                OpenAndRefresh();
            }
            run_->OutputName = TempFileName(TemporaryFolder());
            OpenOutput(run_->OutputName);
            if (keepsEntries) {
                ProcessExistingEntries();
            }
        }
        ReportStartZipInfo();
        ZipRemainingFiles();
        WriteCentralDirectory();
        WriteEndRecord();
        run_->Output->Finish();
        HandOver();
    } catch (...) {
        DiscardOutput();
        EndOperation();
        throw;
    }
    const int count = run_->Count;
    EndOperation();
    return count;
}

// Files were asked for and none is left to zip: writing would only create an empty
// archive, or rewrite the existing one unchanged. A self-extractor is still written, and
// a changed archive comment still saved.
bool TZipper::NothingToZip() const {
    return FilesList().empty() && !sfxMode_ && !endCentral_->Modified;
}

// --- Start and end ---

void TZipper::BeginOperation() {
    run_ = std::make_unique<TZipRunState>();
    busy_ = true;
    cancelRequested_ = false;
    run_->SavedSortMode = SortMode();
    run_->SavedKeepZipOpen = KeepZipOpen();
    // The archive stays open for the whole run, and entry indexes mean archive order.
    SetKeepZipOpen(true);
    Sort(ByNone);
}

void TZipper::EndOperation() {
    run_->Deflater.reset();
    SetKeepZipOpen(run_->SavedKeepZipOpen);
    // Also after a failure: the visible directory follows the restored SortMode again.
    Sort(run_->SavedSortMode);
    CloseZip();
    busy_ = false;
    FilesList().clear();
    run_.reset();
}

std::string TZipper::TemporaryFolder() const {
    if (!tempPath_.empty() && DirectoryExists(tempPath_)) {
        return tempPath_;
    }
    return TempDirectory();
}

bool TZipper::CreatesNewArchive() {
    return !FileExists(ZipName()) || MultiMode() != mmNone;
}

std::unique_ptr<TStream> TZipper::CreateOutputFile(const std::string& fileName) {
    return std::make_unique<TFileStream>(fileName, TFileMode::Create);
}

void TZipper::OpenOutput(const std::string& fileName) {
    run_->Output =
        std::make_unique<TArchiveOutputStream>(CreateOutputFile(fileName), FlushFilesOnClose());
    // Only a file this operation created is ever removed again.
    run_->OutputName = fileName;
    WritePrefix(*run_->Output);
    run_->NewDirectory = std::make_unique<TSortedZip>(dupError, ByNone);
    run_->NewByName = std::make_unique<TSortedZip>(dupError, ByName);
    run_->NewByName->SetOwnsObjects(false);
    StartNewEndRecord();
}

void TZipper::WritePrefix(TStream& output) {
    if (!sfxMode_ || prefixSource_ == nullptr) {
        return;
    }
    const int64_t size = prefixSource_->Size();
    if (size > 0) {
        prefixSource_->SetPosition(0);
        output.CopyFrom(*prefixSource_, size);
    }
}

void TZipper::StartNewEndRecord() {
    run_->NewEnd = std::make_unique<TEndCentral>();
    if (!run_->Updating && !endCentral_->Modified) {
        return;
    }
    // The archive comment carries over; one not read yet is read now.
    if (run_->Updating) {
        ZipComment();
    }
    TEndCentral& end = *run_->NewEnd;
    end.Assign(*endCentral_);
    end.EntriesThisDisk = 0;
    end.TotalEntries = 0;
    end.Modified = false;
}

// --- Writing ---

void TZipper::AddToNewDirectory(std::unique_ptr<TZipHeaderInfo> entry) {
    TEndCentral& end = *run_->NewEnd;
    // Raises EListError "Duplicate Object index" for a second entry of the same name.
    run_->NewByName->Add(entry.get());
    run_->NewDirectory->Add(entry.release());
    ++end.EntriesThisDisk;
    ++end.TotalEntries;
}

void TZipper::ReportStartZipInfo() {
    if (deleting_ || FilesList().empty()) {
        return;
    }
    bool stopNow = false;
    if (OnStartZipInfo) {
        OnStartZipInfo(*this, static_cast<int>(FilesList().size()), run_->TotalBytes, *run_->NewEnd,
                       stopNow);
    }
    if (stopNow) {
        throw EUserCanceled("User canceled Zip operation");
    }
    // Every byte is counted twice in multi-disk mode: compressed, then copied to the disks.
    if (run_->MultiDisk) {
        run_->TotalBytes *= 2;
    }
}

void TZipper::ZipRemainingFiles() {
    if (deleting_) {
        return;
    }
    const std::vector<std::string> names = std::move(FilesList());
    FilesList().clear();
    // Every worker is stopped and joined before this returns or throws.
    run_->Parallel = CompressAhead(names);
    try {
        for (size_t index = 0; index < names.size(); ++index) {
            const std::string& name = names[index];
            if (run_->Parallel) {
                run_->Parallel->Reach(index);
            }
            auto entry = std::make_unique<TZipHeaderInfo>();
            if (!ZipOne(name, *entry)) {
                continue;
            }
            AddToNewDirectory(std::move(entry));
            ++run_->Count;
            if (dispose_) {
                run_->DisposeList.push_back(name);
            }
        }
    } catch (...) {
        run_->Parallel.reset();
        throw;
    }
    run_->Parallel.reset();
}

void TZipper::WriteCentralDirectory() {
    TEndCentral& end = *run_->NewEnd;
    end.CentralOffset = static_cast<uint64_t>(run_->Output->Position());
    end.CentralStartDisk = static_cast<uint32_t>(run_->CurrentDisk);
    int64_t size = 0;
    for (TZipHeaderInfo* entry : *run_->NewDirectory) {
        // In multi-disk mode this may start a new disk, with an output of its own.
        BeforeCentralHeader(*entry);
        TStream& output = *run_->Output;
        const int64_t start = output.Position();
        entry->WriteCentral(output);
        size += output.Position() - start;
    }
    end.CentralSize = static_cast<uint64_t>(size);
}

void TZipper::WriteEndRecord() {
    BeforeEndRecord();
    TEndCentral& end = *run_->NewEnd;
    end.ThisDisk = static_cast<uint32_t>(run_->CurrentDisk);
    end.WriteEndCentral(*run_->Output);
    AfterEndRecord();
}

// --- Hand-over and clean-up ---

// The temporary file was created private to its owner; an updated archive keeps the
// permissions the user gave the old one, and one put where no file was (a repair's new
// archive) gets those of any new file.
static void KeepPermissions(const std::string& from, const std::string& to) {
    std::error_code error;
    const std::filesystem::file_status old = std::filesystem::status(from, error);
    if (!error && std::filesystem::exists(old)) {
        std::filesystem::permissions(to, old.permissions(), error);
    } else {
        GiveNewFileMode(to);
    }
}

bool TZipper::PutInPlace(const std::string& source, const std::string& target) {
    return ReplaceFile(source, target);
}

void TZipper::HandOver() {
    run_->Output.reset();
    PlaceMultiDiskSet();
    const std::string name = ZipName();
    if (run_->Updating) {
        CloseZipFile();
        const std::string target = alternativeDestination_.empty() ? name : alternativeDestination_;
        KeepPermissions(target, run_->OutputName);
        // The replace is atomic: the target is the old archive or the new one, never
        // neither. When it fails the new archive is all there is of this work, so it stays.
        if (!PutInPlace(run_->OutputName, target)) {
            const std::string kept = run_->OutputName;
            run_->OutputName.clear();
            throw EFileError("Could not replace \"" + target + "\"; the new archive is kept as \"" +
                             kept + "\"");
        }
        std::error_code error;
        std::filesystem::remove(run_->OutputName, error);
    }
    run_->OutputName.clear();
    if (dispose_) {
        DisposeFiles();
    }
    if (!sfxMode_) {
        InstallNewDirectory();
    }
    diskCount_ = run_->CurrentDisk + 1;
    FinishMultiDisk();
}

void TZipper::InstallNewDirectory() {
    const std::string name = ZipName();
    const std::string written = alternativeDestination_.empty() ? name : alternativeDestination_;
    ClearZip();
    TUnZipper::SetZipName(name);
    TUnZipper::SetMultiMode(multiZipInfo_.MultiMode);
    physical_ = std::move(run_->NewDirectory);
    visible_ = physical_.get();
    endCentral_ = std::move(run_->NewEnd);
    std::error_code error;
    const auto time = std::filesystem::last_write_time(written, error);
    if (!error) {
        zipFileTime_ = time;
    }
    selectedCount_ = 0;
    for (const TZipHeaderInfo* entry : *physical_) {
        selectedCount_ += entry->Selected ? 1 : 0;
    }
}

void TZipper::DiscardOutput() {
    run_->Output.reset();
    if (!run_->OutputName.empty()) {
        std::error_code error;
        std::filesystem::remove(run_->OutputName, error);
        run_->OutputName.clear();
    }
}

void TZipper::DisposeFiles() {
    for (const std::string& path : run_->DisposeList) {
        bool skip = false;
        if (OnDisposeFile) {
            OnDisposeFile(*this, path, skip);
        }
        // Folder entries stand for the folder, whose other files were not zipped.
        if (!skip && !IsFolderEntryName(path)) {
            std::error_code error;
            std::filesystem::remove(path, error);
        }
    }
}

}  // namespace mobrel
