// The reader component's settings, its directory accessors, comments and sorting.
#include "reader/un_zipper.h"

#include <system_error>

#include "codecs/aes_ctr_stream.h"
#include "codecs/decode_context.h"
#include "codecs/zip_cipher.h"
#include "format/end_central.h"
#include "format/sorted_zip.h"
#include "platform/engine_errors.h"
#include "platform/file_helpers.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "platform/lfn_file_stream.h"
#include "reader/folder_stamps.h"
#include "reader/output_guard.h"
#include "reader/parallel_decoder.h"

namespace mobrel {

namespace {

const char* const kZipFileFilter =
    "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|Jar Files (*.JAR)|*.jar|"
    "All Files (*.*)|*.*";

}  // namespace

TUnZipper::TUnZipper()
    : endCentral_(std::make_unique<TEndCentral>()), spare_(std::make_unique<TZipHeaderInfo>()) {
    OnGetNextDisk = [](TUnZipper& sender, int nextDisk, std::string& fName) {
        sender.DefaultGetNextDisk(nextDisk, fName);
    };
}

TUnZipper::~TUnZipper() {
    ClearZip();
}

void TUnZipper::Assign(const TUnZipper& source) {
    zipName_ = source.zipName_;
    destDir_ = source.destDir_;
    rootDir_ = source.rootDir_;
    sortMode_ = source.sortMode_;
    recreateDirs_ = source.recreateDirs_;
    overwriteMode_ = source.overwriteMode_;
    filesList_ = source.filesList_;
    doAll_ = source.doAll_;
    incompleteZipMode_ = source.incompleteZipMode_;
    keepZipOpen_ = source.keepZipOpen_;
    doProcessMessages_ = source.doProcessMessages_;
    retainAttributes_ = source.retainAttributes_;
    replaceReadOnly_ = source.replaceReadOnly_;
    namesCodePage_ = source.namesCodePage_;
    OnStartUnZipInfo = source.OnStartUnZipInfo;
    OnFilePercentDone = source.OnFilePercentDone;
    OnTotalPercentDone = source.OnTotalPercentDone;
    OnStartUnZip = source.OnStartUnZip;
    OnEndUnZip = source.OnEndUnZip;
    OnPromptForOverwrite = source.OnPromptForOverwrite;
    OnSkippingFile = source.OnSkippingFile;
    OnBadPassword = source.OnBadPassword;
    OnBadCRC = source.OnBadCRC;
    OnInCompleteZip = source.OnInCompleteZip;
    OnGetNextDisk = source.OnGetNextDisk;
    OnUnZipComplete = source.OnUnZipComplete;
    OnGetNextBuffer = source.OnGetNextBuffer;
}

// --- Property setters ---

void TUnZipper::SetZipName(const std::string& value) {
    // Host paths compare as the file system does: exactly.
    if (value == zipName_) {
        return;
    }
    std::string name = value;
    if (!name.empty() && name.back() == '?') {
        TFileDialogRequest request;
        request.Title = "Open a Zip File";
        request.Filter = kZipFileFilter;
        const std::string folder = FolderPart(name);
        request.InitialDir = DirectoryExists(folder) ? folder : "/";
        request.MustExist = true;
        if (!Services().OpenFileDialog(request, name)) {
            throw EUserCanceled("User canceled setting zip file name.");
        }
    }
    zipName_ = name;
    setName_.clear();
    FreeDirectories();
    zipFileTime_.reset();
    endCentral_->Clear();
    CloseZipFile();
    rebuilt_ = false;
}

void TUnZipper::SetDestDir(const std::string& value) {
    std::string folder = value;
    if (value == "?") {
        const std::string start = DirectoryExists(destDir_) ? destDir_ : CurrentFolder();
        if (!Services().ChooseFolder("", start, folder)) {
            throw EUserCanceled("User canceled Set Desination Directory");
        }
    }
    destDir_ = ExcludeTrailingSeparator(folder);
}

void TUnZipper::SetRootDir(const std::string& value) {
    if (value.empty() || value.back() == kPathSeparator || value.back() == kEntrySeparator) {
        rootDir_ = value;
    } else {
        rootDir_ = value + kPathSeparator;
    }
}

// --- The directory ---

void TUnZipper::FreeDirectories() {
    sortedView_.reset();
    physical_.reset();
    visible_ = nullptr;
    // The Selected flags went with the records.
    selectedCount_ = 0;
}

int TUnZipper::Count() const {
    return physical_ ? physical_->Count() : 0;
}

void TUnZipper::CheckIndex(int index) const {
    if (index < 0 || index >= Count() || visible_ == nullptr) {
        throw EListError("Index " + std::to_string(index) + " is out of range");
    }
}

TZipHeaderInfo& TUnZipper::VisibleEntry(int index) const {
    CheckIndex(index);
    return *visible_->Get(index);
}

const TZipHeaderInfo& TUnZipper::EntryInfo(int index) const {
    return VisibleEntry(index);
}

std::string TUnZipper::EntryFileName(int index) const {
    return VisibleEntry(index).FileName();
}

std::string TUnZipper::EntryPath(int index) const {
    return VisibleEntry(index).Directory();
}

std::string TUnZipper::EntryFullName(int index) const {
    return VisibleEntry(index).FullName();
}

TDateTime TUnZipper::EntryDateTime(int index) const {
    return VisibleEntry(index).ModificationTime().value_or(Now());
}

uint64_t TUnZipper::EntryCompressedSize(int index) const {
    return VisibleEntry(index).CompressedSize;
}

uint64_t TUnZipper::EntryUncompressedSize(int index) const {
    return VisibleEntry(index).UncompressedSize;
}

bool TUnZipper::EntrySelected(int index) const {
    return VisibleEntry(index).Selected;
}

void TUnZipper::SetEntrySelected(int index, bool selected) {
    TZipHeaderInfo& entry = VisibleEntry(index);
    if (entry.Selected != selected) {
        entry.Selected = selected;
        selectedCount_ += selected ? 1 : -1;
    }
}

void TUnZipper::Sort(TZipSortMode mode) {
    sortedView_.reset();
    visible_ = physical_.get();
    if (physical_ && mode != ByNone) {
        sortedView_ = std::make_unique<TSortedZip>(dupAccept, mode);
        sortedView_->SetOwnsObjects(false);
        for (TZipHeaderInfo* entry : *physical_) {
            sortedView_->Add(entry);
        }
        visible_ = sortedView_.get();
    }
    sortMode_ = mode;
}

// --- Comments ---

std::string TUnZipper::ReadEntryComment(TZipHeaderInfo& entry) {
    // The header's own name and extra lengths place the comment; the record's extra length
    // is used because reading may have found the declared extra bytes missing.
    struct TCloser {
        TUnZipper& Owner;
        ~TCloser() { Owner.CloseZip(); }
    } closer{*this};
    TStream& stream = ArchiveStream();
    stream.Seek(entry.CentralHeaderOffset, soBeginning);
    uint8_t image[kCentralHeaderSize] = {};
    if (stream.Read(image, kCentralHeaderSize) != static_cast<int64_t>(kCentralHeaderSize)) {
        return std::string();
    }
    stream.Seek(LoadU16(image + central_header::kFileNameLength) + entry.ExtraFieldLength,
                soCurrent);
    return ReadText(stream, entry.FileCommentLength);
}

std::string TUnZipper::EntryComment(int index) {
    TZipHeaderInfo* entry = &VisibleEntry(index);
    if (!entry->HasComment()) {
        return std::string();
    }
    // A set's comments were read with its directory; the open disk may be another one now.
    if (!entry->FileComment() && endCentral_->ThisDisk == 0) {
        OpenAndRefresh();
        // A changed file is read again, and the record asked for is gone with the old
        // directory.
        entry = &VisibleEntry(index);
        if (!entry->HasComment()) {
            CloseZip();
            return std::string();
        }
        if (!entry->FileComment()) {
            // A comment cut short by the end of the file keeps the bytes that are there,
            // and the record's length follows them so a rewrite stays consistent.
            entry->SetFileComment(ReadEntryComment(*entry));
        }
    }
    return entry->FileComment().value_or(std::string());
}

void TUnZipper::SetEntryComment(int index, const std::string& text) {
    // Compared with the comment in the archive, loaded first, so that clearing a comment
    // not yet read still counts as a change.
    if (EntryComment(index) == text) {
        return;
    }
    TZipHeaderInfo& entry = VisibleEntry(index);
    entry.SetFileComment(text.empty() ? std::nullopt : std::optional<std::string>(text));
    endCentral_->Modified = true;
}

std::string TUnZipper::ZipComment() {
    if (!endCentral_->HasComment()) {
        return std::string();
    }
    if (!endCentral_->Comment()) {
        struct TCloser {
            TUnZipper& Owner;
            ~TCloser() { Owner.CloseZip(); }
        } closer{*this};
        OpenAndRefresh();
        if (!endCentral_->HasComment()) {
            return std::string();
        }
        if (!endCentral_->Comment()) {
            TStream& stream = *zipStream_;
            stream.Seek(endCentral_->CommentOffset, soBeginning);
            const bool modified = endCentral_->Modified;
            endCentral_->SetComment(ReadText(stream, endCentral_->CommentLength));
            endCentral_->Modified = modified;
        }
    }
    return *endCentral_->Comment();
}

void TUnZipper::SetZipComment(const std::string& text) {
    if (ZipComment() == text) {
        return;
    }
    endCentral_->SetComment(text.empty() ? std::nullopt : std::optional<std::string>(text));
    endCentral_->Modified = true;
}

bool TUnZipper::CommentsModified() const {
    return endCentral_->Modified;
}

int64_t TUnZipper::ZipSize() {
    if (zipName_.empty()) {
        return 0;
    }
    OpenAndRefresh();
    const int64_t size = zipStream_->Size();
    CloseZip();
    return size;
}

}  // namespace mobrel
