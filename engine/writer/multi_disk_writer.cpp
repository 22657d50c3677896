#include "writer/multi_disk_writer.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>
#include <vector>

#include "format/end_central.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "platform/file_helpers.h"
#include "platform/host_path.h"
#include "platform/new_file_mode.h"
#include "platform/replace_file.h"
#include "writer/zip_run_state.h"

namespace mobrel {

namespace {

std::string FolderOf(const std::string& fileName) {
    const std::string folder = FolderPart(fileName);
    return folder.empty() ? "." : folder;
}

// The same file seen again: same inode on the same device, with the size and time it was
// left with. A disk swapped in at the same path holds another file.
std::optional<TFileIdentity> IdentityOf(const std::string& fileName) {
    struct stat info {};
    if (stat(fileName.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return TFileIdentity{
        static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
        static_cast<int64_t>(info.st_size),
        static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

}  // namespace

TMultiDiskWriter::TMultiDiskWriter(TMultiDiskSettings settings, TZipRunState& run)
    : settings_(std::move(settings)),
      run_(run),
      volumeName_(settings_.Mode == mmBlocks ? BlockName(1) : settings_.ArchiveName),
      sizeLimit_(settings_.FirstLimit),
      spool_(settings_.SpoolFolder) {}

std::string TMultiDiskWriter::BlockFileName(const std::string& archiveName, int number) {
    return NumberedDiskName(archiveName, number);
}

std::string TMultiDiskWriter::BlockName(int number) const {
    return settings_.Naming == snZip ? ZipPieceName(settings_.ArchiveName, number)
                                     : BlockFileName(settings_.ArchiveName, number);
}

int64_t TMultiDiskWriter::SpaceLimit(int64_t freeSpace) {
    // Unknown free space: the volume takes what the medium takes, and a full one ends the
    // run as a full disk.
    return freeSpace < 0 ? std::numeric_limits<int64_t>::max() : freeSpace;
}

std::string TMultiDiskWriter::FirstVolumeFile() {
    return TempFileName(FolderPart(settings_.ArchiveName));
}

int64_t TMultiDiskWriter::RoomLeft() {
    return sizeLimit_ - run_.Output->Size();
}

// --- Records ---

void TMultiDiskWriter::MakeRoomForLocalHeader(TZipHeaderInfo& entry) {
    // At least one byte of room must follow the header, or its data would start a disk of
    // its own behind a header that ends the previous one.
    MakeRoom(int64_t{entry.LocalSize()} + 1);
    entry.DiskNumberStart = static_cast<uint32_t>(run_.CurrentDisk);
}

void TMultiDiskWriter::CopyOutFileData(const TCopyProgress& progress) {
    int64_t remaining = spool_.Size();
    TStream& source = spool_.Rewind();
    if (RoomLeft() <= 0) {
        StartNewDisk();
    }
    int64_t chunk = std::min(remaining, RoomLeft());
    while (remaining > 0 && chunk > 0) {
        CopyPieces(source, chunk, progress);
        remaining -= chunk;
        if (remaining > 0 || RoomLeft() <= 0) {
            StartNewDisk();
        }
        chunk = std::min(remaining, RoomLeft());
    }
    spool_.Discard();
}

void TMultiDiskWriter::CopyPieces(TStream& source, int64_t count, const TCopyProgress& progress) {
    std::vector<uint8_t> piece(static_cast<size_t>(std::min(count, kCopyPieceSize)));
    while (count > 0) {
        const int64_t size = std::min<int64_t>(count, std::ssize(piece));
        source.ReadBuffer(piece.data(), size);
        run_.Output->Write(piece.data(), size);
        count -= size;
        if (progress) {
            progress(size);
        }
    }
}

void TMultiDiskWriter::MakeRoomForCentralHeader(const TZipHeaderInfo& entry, TEndCentral& end) {
    if (MakeRoom(entry.CentralSize())) {
        centralHeadersOnDisk_ = 0;
        if (centralHeadersWritten_ == 0) {
            end.CentralStartDisk = static_cast<uint32_t>(run_.CurrentDisk);
            end.CentralOffset = 0;
        }
    }
    ++centralHeadersWritten_;
    ++centralHeadersOnDisk_;
}

void TMultiDiskWriter::MakeRoomForEndRecord(TEndCentral& end) {
    // The record's size depends on the values of the disk it lands on (the ZIP64 records
    // come with it when one doesn't fit the classic fields), so they are set before it is
    // measured, and again when it moves: an empty block holds the largest end record.
    DescribeEndRecordDisk(end);
    if (MakeRoom(end.RecordSize())) {
        centralHeadersOnDisk_ = 0;
        DescribeEndRecordDisk(end);
    }
}

void TMultiDiskWriter::DescribeEndRecordDisk(TEndCentral& end) const {
    end.ThisDisk = static_cast<uint32_t>(run_.CurrentDisk);
    // The field counts the central headers on the end record's disk, which readers compare
    // with the total for a set that is all on one disk.
    end.EntriesThisDisk = static_cast<uint64_t>(centralHeadersOnDisk_);
}

bool TMultiDiskWriter::MakeRoom(int64_t bytes) {
    if (RoomLeft() >= bytes) {
        return false;
    }
    StartNewDisk();
    if (RoomLeft() < bytes) {
        // Only a spanned disk can be too small: block sizes are checked before the run.
        throw ENotEnoughRoom(kNotEnoughRoom);
    }
    return true;
}

// --- Volumes ---

void TMultiDiskWriter::StartNewDisk() {
    // Disk numbers past the classic 16-bit fields go into the ZIP64 fields, which hold 32
    // bits: the set's count of disks (an int) never reaches their limit.
    CloseVolume(volumeName_);
    const int newDisk = run_.CurrentDisk + 1;
    std::string next;
    if (settings_.Mode == mmBlocks) {
        next = BlockName(newDisk + 1);
    } else {
        next = AskForNextDisk();
    }
    run_.CurrentDisk = newDisk;
    if (settings_.Mode == mmSpan) {
        // What the inserted disk holds under that name gives way to the set, and its room
        // counts as free.
        std::error_code ignored;
        std::filesystem::remove(next, ignored);
        if (PrepareNextDisk) {
            PrepareNextDisk(newDisk + 1);
        }
    }
    OpenVolume(next);
    sizeLimit_ =
        settings_.Mode == mmBlocks ? settings_.BlockSize : SpaceLimit(FreeSpace(FolderOf(next)));
}

std::string TMultiDiskWriter::AskForNextDisk() {
    for (;;) {
        std::string fileName = volumeName_;
        if (GetNextDisk) {
            GetNextDisk(run_.CurrentDisk + 2, fileName);
        } else {
            fileName.clear();  // nobody to hand out another disk
        }
        if (fileName.empty()) {
            throw EUserCanceled("User canceled Zip operation");
        }
        // The disk still in the drive would be emptied for the next one and the set lost:
        // ask again until another disk is there (or the user gives up).
        if (!IsWrittenVolume(fileName)) {
            return fileName;
        }
    }
}

bool TMultiDiskWriter::IsWrittenVolume(const std::string& fileName) const {
    const std::optional<TFileIdentity> identity = IdentityOf(fileName);
    return identity && std::find(writtenVolumes_.begin(), writtenVolumes_.end(), *identity) !=
                           writtenVolumes_.end();
}

void TMultiDiskWriter::CloseVolume(const std::string& finalName) {
    run_.Output->Finish();
    PutVolumeInPlace(finalName);
}

void TMultiDiskWriter::PutVolumeInPlace(const std::string& finalName) {
    run_.Output.reset();
    GiveNewFileMode(run_.OutputName);
    if (!ReplaceFile(run_.OutputName, finalName)) {
        throw EFileError("Could not put the finished disk in place as \"" + finalName + "\"");
    }
    // From here on the volume is part of the set, not this run's to remove.
    run_.OutputName.clear();
    if (const std::optional<TFileIdentity> identity = IdentityOf(finalName)) {
        writtenVolumes_.push_back(*identity);
    }
}

void TMultiDiskWriter::OpenVolume(const std::string& finalName) {
    volumeName_ = finalName;
    run_.OutputName = TempFileName(FolderPart(finalName));
    run_.Output = std::make_unique<TArchiveOutputStream>(CreateFile(run_.OutputName),
                                                         settings_.CommitVolumes);
}

std::string TMultiDiskWriter::PlaceLastVolume() {
    const bool singleBlock = settings_.Mode == mmBlocks && run_.CurrentDisk == 0;
    // A set that fits one block is an ordinary archive under the archive's own name, and
    // a zip-named set ends in it too.
    const bool namedAsArchive =
        singleBlock || (settings_.Mode == mmBlocks && settings_.Naming == snZip);
    const std::string finalName = namedAsArchive ? settings_.ArchiveName : volumeName_;
    PutVolumeInPlace(finalName);
    return settings_.Mode == mmBlocks ? finalName : settings_.ArchiveName;
}

}  // namespace mobrel
