// Opening an archive and reading its directory: the end record, the central headers (also
// from the ".zfc" companion and across the disks of a set), the rebuild from local headers
// for a damaged archive, and when the directory is read again.
#include <algorithm>
#include <set>
#include <system_error>
#include <utility>

#include "format/end_central.h"
#include "format/local_extents.h"
#include "format/sorted_zip.h"
#include "platform/engine_errors.h"
#include "platform/file_helpers.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "platform/joined_file_stream.h"
#include "platform/lfn_file_stream.h"
#include "platform/progress.h"
#include "platform/string_helpers.h"
#include "reader/byte_split_pieces.h"
#include "reader/decode_error_texts.h"
#include "reader/split_naming.h"
#include "reader/un_zipper.h"
#include "reader/unicode_path.h"

namespace mobrel {

namespace {

const char* const kNotAValidZip = "Not a valid zip file!";
constexpr size_t kZip64DataDescriptorSize = 24;

// Reads exactly the image's size at position; false when the stream has fewer bytes there.
template <typename TImage>
bool ReadImageAt(TStream& stream, int64_t position, TImage& image) {
    if (position < 0 || position > stream.Size() - std::ssize(image)) {
        return false;
    }
    stream.Seek(position, soBeginning);
    return stream.Read(image.data(), std::ssize(image)) == std::ssize(image);
}

// False when the record's position or bytes clash with an entry already in the directory.
bool AddUnlessOverlapping(TSortedZip& directory, TLocalExtents& extents, TZipHeaderInfo* record) {
    if (!extents.Claim(*record)) {
        return false;
    }
    try {
        directory.Add(record);
    } catch (const EListError&) {
        return false;  // two entries at one disk and offset
    }
    return true;
}

}  // namespace

// --- ReadZip and ClearZip ---

void TUnZipper::ReadZip() {
    cancelRequested_ = false;
    // A handler that keeps answering izAssumeMulti while the same file stays there would be
    // asked for ever: another attempt helps only when the name or the file changed (the next
    // disk inserted). After a few attempts with nothing new the disks have run out.
    constexpr int kAttemptsWithoutChange = 3;
    int unchanged = 0;
    for (;;) {
        TBusyCursorScope busy;
        const auto attempted = std::make_pair(zipName_, FileTimeOf(zipName_));
        try {
            OpenAndRefresh();
            break;
        } catch (const EIncompleteZip&) {
            CloseZipFile();
            if (!OnInCompleteZip) {
                return;  // no directory; the caller sees Count 0
            }
            unchanged =
                std::make_pair(zipName_, FileTimeOf(zipName_)) == attempted ? unchanged + 1 : 0;
            if (unchanged >= kAttemptsWithoutChange) {
                return;
            }
        } catch (...) {
            ClearZip();
            throw;
        }
    }
    CloseZip();
}

void TUnZipper::ClearZip() {
    CloseZipFile();
    FreeDirectories();
    endCentral_->Clear();
    rebuilt_ = false;
    zipFileTime_.reset();
    diskCount_ = 1;
    multiMode_ = mmNone;
    zipName_.clear();
    setName_.clear();
}

// --- Opening, closing, refreshing ---

std::unique_ptr<TStream> TUnZipper::OpenArchiveFile(const std::string& fileName) const {
    std::vector<std::string> pieces = ByteSplitPieces(fileName, kStreamBufferSize);
    if (!pieces.empty()) {
        return std::make_unique<TJoinedFileStream>(std::move(pieces), kStreamBufferSize);
    }
    return std::make_unique<TLFNFileStream>(fileName, TFileMode::OpenRead, flushFilesOnClose_,
                                            kStreamBufferSize);
}

std::optional<std::filesystem::file_time_type> TUnZipper::FileTimeOf(
    const std::string& name) const {
    std::error_code error;
    const auto time = std::filesystem::last_write_time(name, error);
    if (error) {
        return std::nullopt;
    }
    return time;
}

void TUnZipper::OpenAndRefresh() {
    if (!zipStream_) {
        zipStream_ = OpenArchiveFile(zipName_);
    }
    if (!physical_ || directoryCodePage_ != namesCodePage_ ||
        FileTimeOf(zipName_) != zipFileTime_) {
        ReadDirectory();
    }
}

void TUnZipper::CloseZip() {
    if (!keepZipOpen_) {
        CloseZipFile();
    }
}

void TUnZipper::CloseZipFile() {
    zipStream_.reset();
}

TStream& TUnZipper::ArchiveStream() {
    if (!zipStream_) {
        OpenAndRefresh();
    }
    return *zipStream_;
}

// --- Reading the directory ---

void TUnZipper::ReadDirectory() {
    // A directory is in use only when it was read to the end: a read that fails half-way
    // leaves none, so the next operation reads again instead of trusting a partial list.
    try {
        zipFileTime_ = FileTimeOf(zipName_);
        directoryCodePage_ = namesCodePage_;
        FreeDirectories();
        rebuilt_ = false;  // the directory that was rebuilt is gone with it
        // Fields left from an earlier read would stand for this file's when it turns out
        // empty or has no end record.
        endCentral_->Clear();
        TStream* source = zipStream_.get();
        std::unique_ptr<TStream> zfc;
        if (!endCentral_->FindEndCentral(*source)) {
            zfc = OpenZfcWithEndRecord();
            if (zfc) {
                source = zfc.get();
            } else {
                HandleMissingEndRecord();
            }
        }
        ReadDirectoryFrom(source, zfc != nullptr);
    } catch (...) {
        FreeDirectories();
        zipFileTime_.reset();
        throw;
    }
}

std::unique_ptr<TStream> TUnZipper::OpenZfcWithEndRecord() {
    const std::string zfcName = ChangeFileExt(zipName_, ".zfc");
    if (zfcName == zipName_ || !RegularFileExists(zfcName)) {
        return nullptr;
    }
    std::unique_ptr<TStream> zfc = OpenArchiveFile(zfcName);
    // An empty file would count as an empty archive; a companion must hold an end record.
    if (zfc->Size() < static_cast<int64_t>(kEndCentralSize) || !endCentral_->FindEndCentral(*zfc)) {
        return nullptr;
    }
    return zfc;
}

void TUnZipper::HandleMissingEndRecord() {
    if (!repairing_) {
        if (OnInCompleteZip) {
            OnInCompleteZip(*this, incompleteZipMode_);
        }
        if (incompleteZipMode_ == izAssumeNotAZip) {
            throw ENotAZipFile(kNotAValidZip);
        }
        if (incompleteZipMode_ == izAssumeMulti) {
            throw EIncompleteZip("Incomplete Zip File");
        }
    }
    if (!RebuildFromLocalHeaders()) {
        FailBadZip();
    }
}

void TUnZipper::FailBadZip() {
    ClearZip();
    throw EBadZipFile(kNotAValidZip);
}

void TUnZipper::DecideMultiMode() {
    // No drive letters here, so a set read back is always a set of files beside the one
    // opened, named in one of two ways.
    multiMode_ = endCentral_->ThisDisk == 0 ? mmNone : mmBlocks;
    if (multiMode_ == mmBlocks) {
        RememberSet();
    }
}

void TUnZipper::RememberSet() {
    setName_ = zipName_;
    setNaming_ = NamingOfSet(zipName_, endCentral_->ThisDisk + 1);
}

std::string TUnZipper::SetDiskName(int disk) const {
    return SplitDiskName(setName_, setNaming_, disk, endCentral_->ThisDisk + 1);
}

std::optional<TZip64End> TUnZipper::FindZip64End(TStream*& source, const TZip64Locator& locator,
                                                 bool fromZfc) {
    // The disk this record is on: what the classic record says, or when that is saturated
    // the last of the locator's disks (writers that put 0 there mean a single file).
    const TEndCentral& end = *endCentral_;
    const uint32_t lastDisk = locator.TotalDisks == 0 ? 0 : locator.TotalDisks - 1;
    const uint32_t thisDisk = end.ThisDisk == kSaturated16 ? lastDisk : end.ThisDisk;
    if (!fromZfc && locator.EndDisk != thisDisk) {
        if (locator.EndDisk > thisDisk) {
            return std::nullopt;
        }
        multiMode_ = mmBlocks;
        diskCount_ = static_cast<int>(std::min<uint32_t>(thisDisk, kSaturated16)) + 1;
        OpenDisk(static_cast<int>(locator.EndDisk) + 1);
        source = zipStream_.get();
    }
    TZip64End::TImage image{};
    if (locator.EndOffset > static_cast<uint64_t>(source->Size()) ||
        !ReadImageAt(*source, static_cast<int64_t>(locator.EndOffset), image)) {
        return std::nullopt;
    }
    return TZip64End::FromImage(image);
}

void TUnZipper::ReadZip64EndRecord(TStream*& source, bool fromZfc) {
    TEndCentral& end = *endCentral_;
    TZip64Locator::TImage image{};
    std::optional<TZip64Locator> locator;
    if (ReadImageAt(*source, end.LocatorPosition(), image)) {
        locator = TZip64Locator::FromImage(image);
    }
    // Without a locator the classic fields are authoritative, whatever they hold: 65,535
    // entries is a legal classic count.
    if (!locator) {
        return;
    }
    const std::optional<TZip64End> wide = FindZip64End(source, *locator, fromZfc);
    if (wide && end.TakeZip64(*wide)) {
        return;
    }
    // Bytes that look like a locator (a name may hold them) mean nothing as long as the
    // classic record stands on its own.
    if (end.HasSaturatedField() && !RebuildFromLocalHeaders()) {
        FailBadZip();
    }
}

void TUnZipper::ReadDirectoryFrom(TStream*& source, bool fromZfc) {
    if (!rebuilt_) {
        currentDisk_ = fromZfc ? 0 : static_cast<int>(endCentral_->ThisDisk);
        ReadZip64EndRecord(source, fromZfc);
    }
    if (!rebuilt_) {
        DecideMultiMode();
        if (endCentral_->TotalEntries != 0) {
            const auto startDisk = static_cast<int>(endCentral_->CentralStartDisk);
            if (!fromZfc && multiMode_ != mmNone && startDisk != currentDisk_) {
                OpenDisk(startDisk + 1);
                source = zipStream_.get();
            }
            source->Seek(fromZfc ? 0 : static_cast<int64_t>(endCentral_->CentralOffset),
                         soBeginning);
        }
    }
    if (!physical_) {
        CreatePhysicalDirectory();
    }
    ReadCentralHeaders(source);
    LoadMultiDiskZipComment(fromZfc ? source : nullptr);
    diskCount_ = static_cast<int>(endCentral_->ThisDisk) + 1;
    // After a read from the companion file the first disk is the one to ask for; after a
    // read that had to open the disk where the directory starts, that disk is the one open
    // (CurrentDisk must name the file the stream reads, or extraction reads the wrong disk).
    if (fromZfc) {
        currentDisk_ = 0;
    }
    Sort(sortMode_);
}

void TUnZipper::CreatePhysicalDirectory() {
    physical_ = std::make_unique<TSortedZip>(dupError, ByNone);
    visible_ = physical_.get();
}

TStream* TUnZipper::NextDiskForCentral() {
    OpenDisk(currentDisk_ + 2);
    return zipStream_.get();
}

void TUnZipper::ReadCentralHeaders(TStream*& source) {
    int pending = 0;  // extra-field bytes the last record declared
    TZipHeaderInfo* previous = nullptr;
    std::set<const TZipHeaderInfo*> merged;
    TLocalExtents extents;
    for (uint64_t i = 0; i < endCentral_->TotalEntries;) {
        auto record = std::make_unique<TZipHeaderInfo>();
        TNextDiskFunc nextDisk;
        if (multiMode_ != mmNone && !rebuilt_) {
            nextDisk = [this] { return NextDiskForCentral(); };
        }
        bool read = record->ReadCentral(source, nextDisk, namesCodePage_);
        // (Only when the bytes are on this disk: a header that ended a disk can't be
        // stepped back into from the next one.)
        if (!read && pending > 0 && source->Position() >= pending) {
            // Tolerate a header that declares extra-field bytes that aren't there: the next
            // header then starts that many bytes earlier.
            if (previous != nullptr) {
                previous->ExtraFieldLength = 0;
                previous->CentralExtra.clear();
            }
            source->Seek(-pending, soCurrent);
            previous = nullptr;
            read = record->ReadCentral(source, nextDisk, namesCodePage_);
        }
        pending = 0;
        if (read) {
            ApplyUnicodePath(*record, record->CentralExtra);
            if (rebuilt_) {
                MergeIntoRebuilt(*record, merged);
                ++i;
                continue;
            }
            if (!AddUnlessOverlapping(*physical_, extents, record.get())) {
                // Two entries at one disk and offset, or sharing bytes: the directory can't
                // be trusted (and overlapping entries make a small archive extract huge).
                if (!RebuildFromLocalHeaders()) {
                    FailBadZip();
                }
                previous = nullptr;
                i = 0;
                continue;
            }
            TZipHeaderInfo* added = record.release();
            if (endCentral_->ThisDisk != 0 && added->HasComment()) {
                LoadCommentAt(*added, *source);
            }
            if (added->ExtraFieldLength != 0) {
                pending = added->ExtraFieldLength;
                previous = added;
            }
            if (++i % kReadProgressInterval == 0) {
                ReportReadingProgress(i, endCentral_->TotalEntries);
            }
            continue;
        }
        if (rebuilt_) {
            break;
        }
        if (multiMode_ != mmNone || !RebuildFromLocalHeaders()) {
            FailBadZip();
        }
        previous = nullptr;
        i = 0;
    }
}

void TUnZipper::ReportReadingProgress(uint64_t read, uint64_t total) {
    if (!doProcessMessages_) {
        return;
    }
    if (OnTotalPercentDone) {
        OnTotalPercentDone(*this,
                           PercentOf(static_cast<int64_t>(read), static_cast<int64_t>(total)));
    }
    Services().ProcessMessages();
    if (cancelRequested_) {
        cancelRequested_ = false;
        throw EUserCanceled(kUserAborted);
    }
}

void TUnZipper::MergeIntoRebuilt(const TZipHeaderInfo& central,
                                 std::set<const TZipHeaderInfo*>& merged) {
    const int index = physical_->IndexOf(&central);
    if (index < 0) {
        return;
    }
    TZipHeaderInfo* found = physical_->Get(index);
    // A directory damaged enough to need the scan may claim one position twice; the first
    // claim wins, so a later one can't give a found entry another entry's name and sizes.
    if (!merged.insert(found).second) {
        return;
    }
    const uint64_t offset = found->LocalHeaderOffset;
    found->Assign(central);
    found->LocalHeaderOffset = offset;
}

void TUnZipper::LoadCommentAt(TZipHeaderInfo& entry, TStream& source) {
    // The comments of a set are read now, while the disk holding the directory is open. The
    // comment is the last thing of the header just read, so it ends at the stream's
    // position; counting back from there stays right when the end of a disk cut the header
    // before its comment (the header's own offset then names the previous disk). A comment
    // cut in two is left unread.
    const int64_t resume = source.Position();
    if (resume < entry.FileCommentLength) {
        return;
    }
    source.Seek(resume - entry.FileCommentLength, soBeginning);
    const std::string text = ReadText(source, entry.FileCommentLength);
    if (text.size() == entry.FileCommentLength) {
        entry.SetFileComment(text);
    }
    source.Seek(resume, soBeginning);
}

void TUnZipper::LoadMultiDiskZipComment(TStream* zfc) {
    TEndCentral& end = *endCentral_;
    if (end.ThisDisk == 0 || !end.HasComment() || rebuilt_) {
        return;
    }
    TStream* source = zfc;
    if (source == nullptr) {
        if (currentDisk_ != static_cast<int>(end.ThisDisk)) {
            OpenDisk(static_cast<int>(end.ThisDisk) + 1);
        }
        source = zipStream_.get();
    }
    source->Seek(end.CommentOffset, soBeginning);
    end.SetComment(ReadText(*source, end.CommentLength));
}

// --- Rebuilding from local headers ---

bool TUnZipper::ScanToLocalHeader(TStream& stream) {
    static const uint8_t kSignature[4] = {0x50, 0x4B, 0x03, 0x04};
    int matched = 0;
    int skipped = 0;
    uint8_t byte = 0;
    while (stream.Read(&byte, 1) == 1) {
        if (matched > 0 && byte != kSignature[matched]) {
            matched = 0;  // the byte that broke the match may start a new one
        }
        if (byte == kSignature[matched]) {
            if (++matched < 4) {
                continue;
            }
            uint8_t version[2] = {};
            if (stream.Read(version, 2) != 2) {
                return false;
            }
            if (version[1] < 10) {
                stream.Seek(-6, soCurrent);
                return true;
            }
            matched = 0;
            continue;
        }
        if (++skipped == kScanMessageInterval) {
            skipped = 0;
            if (doProcessMessages_) {
                Services().ProcessMessages();
                if (cancelRequested_) {
                    cancelRequested_ = false;
                    throw EUserCanceled(kUserAborted);
                }
            }
        }
    }
    return false;
}

bool TUnZipper::RebuildFromLocalHeaders() {
    if (rebuilt_) {
        return false;
    }
    rebuilt_ = true;
    FreeDirectories();
    TStream& stream = *zipStream_;
    const bool isExe = LowerAscii(ExtensionPart(zipName_)) == ".exe";
    stream.Seek(isExe ? kExeScanStart : 0, soBeginning);
    if (!ScanToLocalHeader(stream)) {
        return false;
    }
    CreatePhysicalDirectory();
    for (;;) {
        auto record = std::make_unique<TZipHeaderInfo>();
        if (!record->ReadLocal(stream, namesCodePage_)) {
            break;
        }
        record->LocalExtra = ReadText(stream, record->LocalExtraFieldLength);
        if (!record->TakeLocalZip64()) {
            break;  // the sizes are unknown, so the next header can't be found
        }
        ApplyUnicodePath(*record, record->LocalExtra);
        int64_t skip = static_cast<int64_t>(record->CompressedSize) +
                       (record->LocalExtraFieldLength - std::ssize(record->LocalExtra));
        if (record->HasDataDescriptor()) {
            skip += static_cast<int64_t>(record->HasLocalZip64() ? kZip64DataDescriptorSize
                                                                 : kDataDescriptorSize);
        }
        try {
            physical_->Add(record.get());
        } catch (const EListError&) {
            break;
        }
        record.release();
        stream.Seek(skip, soCurrent);
    }
    TEndCentral& end = *endCentral_;
    end.ThisDisk = 0;
    end.CentralOffset = static_cast<uint64_t>(stream.Position());
    end.TotalEntries = static_cast<uint64_t>(physical_->Count());
    currentDisk_ = 0;
    diskCount_ = 1;
    return true;
}

// --- Multi-disk sets ---

void TUnZipper::OpenDisk(int n) {
    CloseZipFile();
    // The disks are named after the set, whichever of them is open now; a set written by
    // this component is known from here on.
    if (setName_.empty()) {
        RememberSet();
    }
    std::string fileName = multiMode_ == mmSpan ? zipName_ : SetDiskName(n);
    for (;;) {
        if (OnGetNextDisk) {
            OnGetNextDisk(*this, n, fileName);
        }
        // Volume labels don't exist here, so the label check always passes.
        if (fileName.empty()) {
            throw EUserCanceled("User canceled loading new disk.");
        }
        if (RegularFileExists(fileName)) {
            break;
        }
        // Only a spanned disk can appear later (the user inserts it and answers again);
        // asking again for a file of a set that isn't there would never end.
        if (multiMode_ != mmSpan) {
            throw EFileError("Cannot find disk " + std::to_string(n) + " of the set: " + fileName);
        }
    }
    zipStream_ =
        std::make_unique<TLFNFileStream>(fileName, TFileMode::OpenRead, false, kStreamBufferSize);
    currentDisk_ = n - 1;
    zipFileTime_ = FileTimeOf(fileName);
    zipName_ = fileName;
}

void TUnZipper::DefaultGetNextDisk(int nextDisk, std::string& fName) {
    if (multiMode_ == mmSpan) {
        Services().SetBusyCursor(false);
        const std::string text =
            "Please insert disk " + std::to_string(nextDisk) + " of the multi-disk set.";
        if (Services().MessageBox(text, "", TMsgButtons::OkCancel) == TMsgAnswer::Cancel) {
            fName.clear();
        }
        Services().SetBusyCursor(true);
        return;
    }
    // Without a set open, the name offered stands for a set of numbered blocks.
    fName = setName_.empty() ? NumberedDiskName(fName, nextDisk) : SetDiskName(nextDisk);
}

}  // namespace mobrel
