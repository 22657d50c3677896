// Writing one file: its entry record, local header, optional encryption header and stored
// or compressed data, and the two routines all file data flows through: the read routine
// (progress and CRC) and the write routine (encryption, full-disk and cancel checks).
#include <limits>

#include "codecs/compress_by_method.h"
#include "format/compression_method.h"
#include "format/modification_time_field.h"
#include "format/zip_format.h"
#include "platform/dos_date_time.h"
#include "platform/engine_errors.h"
#include "platform/file_status.h"
#include "platform/file_stream.h"
#include "platform/host_path.h"
#include "platform/memory_stream.h"
#include "platform/progress.h"
#include "platform/string_helpers.h"
#include "platform/symbolic_link.h"
#include "writer/files_list_names.h"
#include "writer/zip_run_state.h"
#include "writer/zipper.h"

namespace mobrel {

namespace {

constexpr size_t kStoreBufferSize = 262144;
constexpr size_t kCrcPassBufferSize = 262144;
constexpr uint16_t kInternalAttributesUnknown = 2;

// What a folder entry gets when its folder can't be examined (a name given as "dir/" that
// is not there): a folder any reader may enter, made now.
TFileStatus AssumedFolder() {
    TFileStatus status;
    status.Mode = kUnixDirectory | 0755;
    status.Modified = Now();
    return status;
}

// The host, mode, attribute byte and times of a new entry, all from the file's status.
void DescribeHostFile(TZipHeaderInfo& entry, const TFileStatus& status) {
    entry.VersionMadeBy = kVersionMadeByUnix;
    entry.ExternalAttributes = status.Mode << 16 | status.DosAttributes();
    entry.DosDateTime = DateTimeToDosDateTime(status.Modified);
    // A time the field can't hold is left to the DOS date-time rather than written wrong.
    const std::string timestamp =
        FitsExtendedTimestamp(status.Modified) ? ExtendedTimestampField(status.Modified) : "";
    entry.LocalExtra = timestamp;
    entry.CentralExtra = timestamp;
}

// Whether data of this size may need 64-bit sizes once compressed and encrypted: deflate
// adds at most a few bytes per 64 KiB block of data it can't shrink, the library encoders
// what LargestCompressedSize allows; encryption adds 12 bytes (the traditional cipher) or
// 28 (AES-256's salt, verifier and code).
bool MayPassFourGiB(int64_t size, bool libraryEncoder) {
    constexpr uint64_t kMostEncryptionBytes = 28;
    const auto bytes = static_cast<uint64_t>(size);
    const uint64_t worstCase =
        (libraryEncoder ? LargestCompressedSize(bytes) : bytes + bytes / 8192) + 1024 +
        kMostEncryptionBytes;
    return worstCase >= kSaturated32;
}

// Releases the file being zipped however ZipOne ends.
struct TSourceCloser {
    std::unique_ptr<TStream>& Source;
    ~TSourceCloser() { Source.reset(); }
};

}  // namespace

std::unique_ptr<TStream> TZipper::OpenSourceFile(const std::string& fileName) {
    return std::make_unique<TFileStream>(fileName, TFileMode::OpenRead);
}

namespace {

// A stored link's data: the target text as the link holds it.
std::unique_ptr<TStream> OpenLinkTarget(const std::string& fileName) {
    const std::optional<std::string> target = LinkTarget(fileName);
    if (!target) {
        throw EFileError("Cannot read the link \"" + fileName + "\"");
    }
    return std::make_unique<TMemoryStream>(std::vector<uint8_t>(target->begin(), target->end()));
}

}  // namespace

void TZipper::WriteLocalHeader(TZipHeaderInfo& entry) {
    if (run_->MultiDisk) {
        run_->MultiDisk->MakeRoomForLocalHeader(entry);
    }
    entry.WriteLocal(*run_->Output);
    run_->LocalHeaderSize = entry.LocalSize();
}

TStream& TZipper::FileDataOutput() {
    return run_->MultiDisk ? run_->MultiDisk->FileData() : *run_->Output;
}

void TZipper::FinishFileData(TZipHeaderInfo& entry) {
    TStream& output = *run_->Output;
    const int64_t end = output.Position();
    // The header is written again over itself, so it must keep its size: data that passed
    // 4 GiB without the ZIP64 field reserved (a file that grew while it was read) can't
    // be described there.
    if (entry.LocalSize() != run_->LocalHeaderSize) {
        throw EFormatLimit("\"" + entry.FullName() +
                           "\" grew past 4 GiB while it was being zipped; zip it again");
    }
    output.Seek(static_cast<int64_t>(entry.LocalHeaderOffset), soBeginning);
    entry.WriteLocal(output);
    output.Seek(end, soBeginning);
    if (run_->MultiDisk) {
        CopyOutFileData(entry);
    }
}

bool TZipper::ZipOne(const std::string& name, TZipHeaderInfo& entry) {
    TSourceCloser closer{run_->Source};
    const std::string& shown = name;
    const bool folder = IsFolderEntryName(name);
    int64_t size = 0;
    entry.Clear();
    if (folder) {
        // A folder entry describes the folder, never a link to it.
        DescribeHostFile(entry,
                         FileStatus(ExcludeTrailingSeparator(name)).value_or(AssumedFolder()));
        entry.CRC32 = 0;
        entry.CompressionMethod = cmStored;
        entry.InternalAttributes = 0;
    } else {
        const std::optional<TFileStatus> status = FileStatus(name, !storeSymlinks_);
        if (!status || status->IsDirectory()) {
            return false;
        }
        DescribeHostFile(entry, *status);
        if (!OpenSource(name, shown, status->IsSymbolicLink())) {
            return false;
        }
        size = run_->Source->Size();
        entry.UncompressedSize = static_cast<uint64_t>(size);
        entry.InternalAttributes = kInternalAttributesUnknown;
        if (MayPassFourGiB(size, UsesLibraryEncoder())) {
            entry.ReserveLocalZip64();
        }
        if (EncryptsWithAes()) {
            ReserveAesField(entry);
        }
    }
    std::string directory;
    std::string fileName;
    StoredNameOf(name, directory, fileName);
    entry.SetDirectory(directory);
    entry.SetFileName(fileName);
    entry.LocalHeaderOffset = static_cast<uint64_t>(run_->Output->Position());
    entry.DiskNumberStart = static_cast<uint32_t>(run_->CurrentDisk);

    int existing = 0;
    if (run_->NewByName->Find(&entry, existing)) {
        bool retry = false;
        if (OnSkippingFile) {
            OnSkippingFile(*this, skNoOverwrite, shown, -1, retry);
        }
        run_->TotalBytes -= size;
        return false;
    }
    bool skip = false;
    if (OnStartZip) {
        OnStartZip(*this, shown, entry, skip);
    }
    if (skip) {
        run_->TotalBytes -= size;
        return false;
    }
    WriteLocalHeader(entry);
    if (folder) {
        if (OnEndZip) {
            OnEndZip(*this, shown, 0, 0, 0);
        }
        return true;
    }
    WriteFileData(entry, name);
    // Linux keeps no archive bit, so ResetArchiveBitOnZip has nothing to clear.
    if (OnEndZip) {
        OnEndZip(*this, shown, entry.UncompressedSize, entry.CompressedSize, run_->Output->Size());
    }
    return true;
}

bool TZipper::OpenSource(const std::string& name, const std::string& shown, bool link) {
    for (;;) {
        try {
            run_->Source = link ? OpenLinkTarget(name) : OpenSourceFile(name);
            return true;
        } catch (const EFileError&) {
            bool retry = false;
            if (OnSkippingFile) {
                OnSkippingFile(*this, skOpenError, shown, -1, retry);
            }
            if (!retry) {
                return false;
            }
        }
    }
}

size_t TZipper::StoreChunkSize() {
    return kStoreBufferSize;
}

void TZipper::WriteFileData(TZipHeaderInfo& entry, const std::string& name) {
    if (WriteFileDataFromJob(entry, name)) {
        return;
    }
    TZipRunState& run = *run_;
    run.FileSize = entry.UncompressedSize;
    run.FileBytesRead = 0;
    run.Encrypting = !Password().empty();
    run.EncryptingAes = EncryptsWithAes();
    uint32_t headerCrc = 0;
    if (run.EncryptingAes) {
        BeginAesData();
    } else if (run.Encrypting) {
        // The encryption header ends in the CRC, so the file is read once before.
        headerCrc = CrcOfSource();
        run.Cipher.WriteEncryptionHeader(Password(), headerCrc, FileDataOutput());
    }
    run.Crc = kCrcInitial;
    uint64_t compressedSize = 0;
    if (packLevel_ == 0 || MatchesNoCompressList(entry.FileName())) {
        std::vector<uint8_t> buffer(kStoreBufferSize);
        for (size_t got; (got = ReadSource(buffer.data(), buffer.size())) > 0;) {
            WriteData(buffer.data(), got);
        }
        entry.CompressionMethod = cmStored;
        entry.InternalAttributes = 0;
        compressedSize = static_cast<uint64_t>(run.FileBytesRead);
    } else if (UsesLibraryEncoder() && run.FileSize > 0) {
        // An empty file goes to the deflater, which stores it: 7-Zip takes an empty XZ
        // stream for data after the end, and a stored entry is read by every reader.
        compressedSize = CompressWithLibrary(entry);
    } else {
        const TDeflateReadRoutine read = [this](uint8_t* buffer, size_t count) {
            return ReadSource(buffer, count);
        };
        const TDeflateWriteRoutine write = [this](const uint8_t* buffer, size_t count) {
            WriteData(buffer, count);
        };
        const TDeflateResult result = run.Deflater->deflate(packLevel_, read, write);
        entry.CompressionMethod = result.CompressionMethod;
        compressedSize = result.CompressedSize;
        // The level's flag bits describe deflated data only; a stored result has none.
        const bool deflated = result.CompressionMethod == cmDeflated;
        if (deflated) {
            entry.GeneralFlags |= result.GeneralPurposeFlags;
        }
        entry.InternalAttributes = deflated ? result.InternalAttributes : 0;
    }
    entry.CRC32 = ~run.Crc;
    FinishEncryption(entry, name, headerCrc, compressedSize);
    entry.UncompressedSize = static_cast<uint64_t>(run.FileBytesRead);
    entry.CompressedSize = compressedSize;
    FinishFileData(entry);
}

void TZipper::FinishEncryption(TZipHeaderInfo& entry, const std::string& name, uint32_t headerCrc,
                               uint64_t& compressedSize) {
    if (run_->EncryptingAes) {
        FinishAesData(entry, compressedSize);
    } else if (run_->Encrypting) {
        if (entry.CRC32 != headerCrc) {
            throw EStreamError("\"" + name + "\" changed while it was being zipped");
        }
        entry.GeneralFlags |= kFlagEncrypted;
        compressedSize += kEncryptionHeaderSize;
    }
}

uint32_t TZipper::CrcOfSource() {
    TStream& source = *run_->Source;
    std::vector<uint8_t> buffer(kCrcPassBufferSize);
    uint32_t crc = kCrcInitial;
    for (int64_t got; (got = source.Read(buffer.data(), std::ssize(buffer))) > 0;) {
        crc = UpdateCRCBuffer(crc, buffer.data(), static_cast<size_t>(got));
    }
    source.SetPosition(0);
    return ~crc;
}

size_t TZipper::ReadSource(uint8_t* buffer, size_t count) {
    TZipRunState& run = *run_;
    const int64_t got = run.Source->Read(buffer, static_cast<int64_t>(count));
    if (got <= 0) {
        return 0;
    }
    CountRead(got);
    run.Crc = UpdateCRCBuffer(run.Crc, buffer, static_cast<size_t>(got));
    return static_cast<size_t>(got);
}

void TZipper::CountRead(int64_t got) {
    TZipRunState& run = *run_;
    run.FileBytesRead += got;
    if (OnFilePercentDone) {
        // In multi-disk mode compressing is the first half of a file's work.
        const int64_t whole = run.MultiDisk ? 2 * run.FileSize : run.FileSize;
        OnFilePercentDone(*this, PercentOf(run.FileBytesRead, whole));
    }
    run.BytesDone += got;
    if (OnTotalPercentDone) {
        OnTotalPercentDone(*this, PercentOf(run.BytesDone, run.TotalBytes));
    }
}

void TZipper::WriteData(const uint8_t* buffer, size_t count) {
    TZipRunState& run = *run_;
    const uint8_t* data = buffer;
    if (run.Encrypting) {
        run.Scratch.assign(buffer, buffer + count);
        if (run.EncryptingAes) {
            run.Aes->Encrypt(run.Scratch.data(), count);
        } else {
            run.Cipher.EncryptBuffer(run.Scratch.data(), count);
        }
        data = run.Scratch.data();
    }
    const auto length = static_cast<int64_t>(count);
    if (FileDataOutput().Write(data, length) != length) {
        throw ENotEnoughRoom(kNotEnoughRoom);
    }
    run.BytesOnDisk += length;
    CheckCancel();
}

}  // namespace mobrel
