// The output file of an entry: whether an existing file or link may be replaced (the five
// overwrite modes), whether its file system has room for it, and creating it, once more
// after taking away a read-only attribute.
#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>

#include "format/zip_header_info.h"
#include "platform/disk_space.h"
#include "platform/dos_date_time.h"
#include "platform/engine_errors.h"
#include "platform/file_attributes.h"
#include "platform/file_helpers.h"
#include "platform/file_status.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "platform/lfn_file_stream.h"
#include "platform/new_file_mode.h"
#include "platform/progress.h"
#include "platform/symbolic_link.h"
#include "platform/system_error_text.h"
#include "platform/temp_files.h"
#include "reader/decode_error_texts.h"
#include "reader/parallel_decoder.h"
#include "reader/un_zipper.h"

namespace mobrel {

namespace {

// A small entry gets a buffer of its size: many files are open at once while their entries
// decode ahead.
int32_t OutputBufferSizeFor(uint64_t declaredSize) {
    constexpr uint64_t kPage = 4096;
    const uint64_t capped = std::min<uint64_t>(declaredSize, TUnZipper::kOutputFileBufferSize);
    return static_cast<int32_t>(std::max((capped + kPage - 1) / kPage * kPage, kPage));
}

TDateTime EntryDate(const TZipHeaderInfo& entry) {
    const std::optional<TDateTime> when = entry.ModificationTime();
    if (!when) {
        throw EGeneralError("The date of " + entry.FullName() + " is no calendar date");
    }
    return *when;
}

// Exact where the file's time can be read, as the entry's is.
TDateTime ExistingFileDate(const std::string& path) {
    if (const std::optional<TFileStatus> status = FileStatus(path)) {
        return status->Modified;
    }
    return FileDateTimeOrNow(path);
}

// The bytes a file at path gives back when the entry replaces it; a link or folder gives none.
uint64_t ReplacedFileSize(const std::string& path) {
    const std::optional<TFileStatus> status = FileStatus(path, /*followLinks=*/false);
    return status && status->IsRegularFile() ? static_cast<uint64_t>(status->Size) : 0;
}

// A name some file or link holds; a folder is no file to replace.
bool NameTaken(const std::string& path) {
    return NameExists(path) && !IsRealFolder(path);
}

}  // namespace

void TUnZipper::SkipEntry(TSkipReason reason, const std::string& fName, int fileIndex,
                          const std::string& detail) {
    skipDetail_ = detail;
    if (OnSkippingFile) {
        bool retry = false;  // nothing reads it back
        OnSkippingFile(*this, reason, fName, fileIndex, retry);
    }
    const int64_t before = totalBytes_;
    totalBytes_ =
        std::max<int64_t>(0, totalBytes_ - static_cast<int64_t>(spare_->UncompressedSize));
    if (parallel_) {
        parallel_->NoteSkippedBytes(before - totalBytes_);
    }
}

bool TUnZipper::MayReplace(int fileIndex, std::string& path) {
    if (overwriteMode_ == TUZOverwriteMode::Always || !NameTaken(path)) {
        return true;
    }
    bool replace = false;
    switch (overwriteMode_) {
        case TUZOverwriteMode::Prompt:
            if (OnPromptForOverwrite) {
                OnPromptForOverwrite(*this, replace, fileIndex, path);
            } else {
                messageText_ = "File Exists Alert";
                replace =
                    Services().MessageBox("Replace existing file " + spare_->FileName() + "?",
                                          messageText_, TMsgButtons::YesNo) == TMsgAnswer::Yes;
            }
            break;
        case TUZOverwriteMode::ifNewer:
            replace = EntryDate(*spare_) > ExistingFileDate(path);
            break;
        case TUZOverwriteMode::ifOlder:
            replace = EntryDate(*spare_) < ExistingFileDate(path);
            break;
        case TUZOverwriteMode::Always:
        case TUZOverwriteMode::Never:
            break;
    }
    if (!replace) {
        SkipEntry(skNoOverwrite, path, fileIndex);
    }
    return replace;
}

bool TUnZipper::OpenOutputFile(int fileIndex, std::string& path) {
    if (!MayReplace(fileIndex, path)) {
        return false;
    }
    CheckRoomFor(path);
    int systemError = 0;
    if (!CreateOutputFile(path, systemError)) {
        SkipEntry(skCreateError, path, fileIndex,
                  systemError != 0 ? SystemErrorText(systemError) : std::string());
        return false;
    }
    return true;
}

void TUnZipper::CheckRoomFor(const std::string& path) {
    std::string folder = FolderPart(path);
    if (folder.empty()) {
        folder = ".";
    }
    const uint64_t needed = spare_->UncompressedSize;
    // A reading costs a system call: the many small files of an archive mostly fit in
    // what an earlier one left.
    if (freeSpace_.Holds(folder, needed)) {
        freeSpace_.Take(needed);
        return;
    }
    const int64_t free = FreeSpaceOn(folder);
    if (free < 0) {
        return;
    }
    freeSpace_.Read(folder, static_cast<uint64_t>(free));
    const uint64_t room = static_cast<uint64_t>(free) + ReplacedFileSize(path);
    if (needed <= room) {
        freeSpace_.Take(needed);
        return;
    }
    const std::string text = NotEnoughSpaceText(path) + " (" + std::to_string(needed) +
                             " bytes needed, " + std::to_string(room) + " available)";
    // Entries handed to workers before this one finish first, as with one thread.
    if (HandsOffDecode()) {
        RetireAllJobs();
    }
    throw ECantWriteUCF(text);
}

int64_t TUnZipper::FreeSpaceOn(const std::string& folder) {
    return FreeSpace(folder);
}

bool TUnZipper::CreateOutputFile(const std::string& path, int& systemError) {
    // Decoding ahead, an entry one thread never reaches may be created: when the run ends
    // before its turn, a file made where none was is taken away again.
    outputIsNew_ = parallel_ != nullptr && !NameExists(path);
    outputAside_.clear();
    if (WritesAside(path)) {
        return CreateAsideFile(path, systemError);
    }
    bool linkRemoved = false;
    bool readOnlyCleared = false;
    for (;;) {
        try {
            outputStream_ =
                std::make_unique<TLFNFileStream>(CreateOutputFileStream(path), flushFilesOnClose_,
                                                 OutputBufferSizeFor(spare_->UncompressedSize));
            return true;
        } catch (const EFileError& error) {
            systemError = error.SystemError();
            // The create never follows a link at the name: the link is replaced, never
            // written through. Looked for only now, as names are seldom taken.
            if (!linkRemoved && IsSymbolicLink(path)) {
                if (!RemoveName(path)) {
                    return false;
                }
                linkRemoved = true;
                continue;
            }
            if (!replaceReadOnly_ || readOnlyCleared) {
                return false;
            }
            readOnlyCleared = true;
            const std::optional<uint8_t> attributes = FileDosAttributes(path);
            if (attributes && (*attributes & faReadOnly) != 0) {
                ClearReadOnly(path);
            }
        } catch (const std::exception&) {
            return false;
        }
    }
}

bool TUnZipper::WritesAside(const std::string& path) const {
    if (!HandsOffDecode() || outputIsNew_) {
        return false;
    }
    if (IsSymbolicLink(path)) {
        return true;
    }
    // A folder, or a read-only file the run may not replace, takes the direct way and is
    // refused there as with one thread.
    const std::optional<uint8_t> attributes = FileDosAttributes(path);
    return attributes && (*attributes & faDirectory) == 0 &&
           ((*attributes & faReadOnly) == 0 || replaceReadOnly_);
}

bool TUnZipper::CreateAsideFile(const std::string& path, int& systemError) {
    std::string aside;
    try {
        aside = MakeTempFile(FolderPart(path));
        GiveNewFileMode(aside);
        outputStream_ =
            std::make_unique<TLFNFileStream>(CreateOutputFileStream(aside), flushFilesOnClose_,
                                             OutputBufferSizeFor(spare_->UncompressedSize));
    } catch (const EFileError& error) {
        systemError = error.SystemError();
        if (!aside.empty()) {
            std::error_code ignored;
            std::filesystem::remove(aside, ignored);
        }
        return false;
    }
    outputAside_ = aside;
    return true;
}

std::unique_ptr<TFileStream> TUnZipper::CreateOutputFileStream(const std::string& path) {
    return std::make_unique<TFileStream>(path, TFileMode::CreateNoFollow);
}

}  // namespace mobrel
