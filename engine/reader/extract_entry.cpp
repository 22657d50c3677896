// The per-entry step of an extraction run: where the entry goes, whether it may be
// written, the password, the decoder of its method, the CRC check, and the date and
// attributes of the file it leaves. Every outcome is reported through the events.
#include <filesystem>
#include <system_error>
#include <utility>

#include "codecs/aes_ctr_stream.h"
#include "codecs/decode_by_method.h"
#include "codecs/zip_cipher.h"
#include "format/compression_method.h"
#include "format/zip_header_info.h"
#include "platform/dos_date_time.h"
#include "platform/engine_errors.h"
#include "platform/file_attributes.h"
#include "platform/file_date_time.h"
#include "platform/file_helpers.h"
#include "platform/file_permissions.h"
#include "platform/host_path.h"
#include "platform/lfn_file_stream.h"
#include "platform/sanitize_dos_date_time.h"
#include "reader/archive_decode_context.h"
#include "reader/decode_error_texts.h"
#include "reader/folder_stamps.h"
#include "reader/output_guard.h"
#include "reader/output_path.h"
#include "reader/un_zipper.h"

namespace mobrel {

namespace {

std::string UnsupportedMethodText(uint16_t method) {
    return "compression method " + std::to_string(method) + " (" + CompressionMethodName(method) +
           ") is not supported";
}

void DeleteOutputFile(const std::string& path) {
    std::error_code error;
    std::filesystem::remove(path, error);
}

}  // namespace

void TUnZipper::ExtractEntry(int fileIndex, bool& retry) {
    retry = false;
    spare_->Assign(VisibleEntry(fileIndex));
    const TZipHeaderInfo& entry = *spare_;
    const bool directoryEntry = entry.FileName().empty();
    if (!directoryEntry) {
        ReadLocalHeader();
    }
    const std::string outputDir = BuildOutputDir();
    if (directoryEntry) {
        ExtractFolder(fileIndex, outputDir);
        return;
    }
    std::string fName = memoryTarget_ ? std::string() : OutputFileFor(outputDir, entry.FileName());
    if (OnStartUnZip) {
        bool skip = false;
        OnStartUnZip(*this, fileIndex, fName, skip);
        if (skip) {
            return;
        }
    }
    RetireJobsWriting(fName);
    authenticated_ = true;
    if (!PrepareAesEntry(fileIndex)) {
        return;
    }
    if (!HasDecoder(DataMethod())) {
        SkipEntry(skUnsupportedMethod, entry.FullName(), fileIndex,
                  UnsupportedMethodText(DataMethod()));
        return;
    }
    if (memoryTarget_ && !testMode_ && entry.UncompressedSize > kMaxMemoryEntrySize) {
        throw EFatalUnzipError(entry.FullName() + " is too large to extract into memory");
    }
    if (!memoryTarget_ && !CreateOutputFolder(fileIndex, fName)) {
        return;
    }
    if (entry.IsEncrypted() && !CheckPassword(fileIndex)) {
        return;
    }
    if (!memoryTarget_ && entry.IsSymbolicLink()) {
        ExtractLink(fileIndex, fName, retry);
        return;
    }
    const bool bufferSizedHere =
        memoryTarget_ && memoryBuffer_ != nullptr && memoryBuffer_->empty();
    if (memoryTarget_) {
        memoryWritePosition_ = 0;
        memoryBytesRemaining_ = entry.UncompressedSize;
    } else if (!OpenOutputFile(fileIndex, fName)) {
        return;
    }
    if (HandsOffDecode()) {
        HandOffDecode(fileIndex, fName, bufferSizedHere);
        return;
    }
    decodeContext_->BeginEntry(entry.CompressedSize, entry.UncompressedSize);
    decodeContext_->SetCipher(EntryDecryptor());
    bool decoded = false;
    try {
        SeekToEntryData(entry.IsEncrypted());
        decoded = DecodeEntry();
    } catch (const EBiggerThanUncompressed&) {
        decoded = false;
    } catch (const ECantWriteUCF&) {
        // A file the disk cut short must not pass for the entry.
        outputStream_.reset();
        DeleteOutputFile(fName);
        throw ECantWriteUCF(NotEnoughSpaceText(fName));
    } catch (...) {
        outputStream_.reset();  // the file keeps what was written, undated
        FinishOutput(false, bufferSizedHere);
        throw;
    }
    FinishOutput(decoded && authenticated_, bufferSizedHere);
    if (!authenticated_) {
        RejectForgedEntry(fileIndex, fName);
        return;
    }
    CheckEntryCrc(fileIndex, fName, retry);
}

bool TUnZipper::DecodeEntry() {
    // The method was checked before anything was created for the entry.
    bool decoded = true;
    handlerError_ = nullptr;
    try {
        DecodeByMethod(*decodeContext_, DataMethod(), spare_->GeneralFlags, spare_->CompressedSize);
    } catch (const EBiggerThanUncompressed&) {
        decoded = false;
    }
    if (handlerError_) {
        std::rethrow_exception(std::exchange(handlerError_, nullptr));
    }
    // The code covers every encrypted byte, also those a damaged stream left unread.
    authenticated_ = !aesField_ || AuthenticateEntry();
    return decoded;
}

void TUnZipper::FinishOutput(bool decoded, bool bufferSizedHere) {
    if (memoryTarget_) {
        if (!decoded && bufferSizedHere) {
            memoryBuffer_->clear();
        }
        return;
    }
    if (!outputStream_) {
        return;
    }
    // The last bytes are written out here rather than by the stream's destructor, which
    // could not report a full disk: a file cut short must not pass for extracted.
    const std::string fileName = outputStream_->FileName();
    const bool written = outputStream_->FlushBuffer();
    if (written && decoded) {
        StampOutputFile(outputStream_->Handle());
    }
    outputStream_.reset();
    if (!written) {
        DeleteOutputFile(fileName);
        throw ECantWriteUCF(NotEnoughSpaceText(fileName));
    }
}

// Through the open file, which is the one written (no name on the way can have changed).
void TUnZipper::StampOutputFile(int descriptor) {
    const std::optional<TDateTime> modified = spare_->ModificationTime();
    const std::optional<TDateTime> when =
        modified ? modified : DosDateTimeToDateTime(SanitizeDosDateTime(spare_->DosDateTime));
    if (when) {
        SetOpenFileModificationTime(descriptor, *when);
    }
    if (!retainAttributes_) {
        return;
    }
    // Given after the data is written, so a file without write permission is complete.
    if (const uint32_t mode = spare_->UnixMode(); mode != 0) {
        SetOpenFilePermissions(descriptor, MaskedPermissions(mode, umask_));
    } else {
        ApplyDosAttributesToOpenFile(descriptor, static_cast<uint8_t>(spare_->ExternalAttributes));
    }
}

bool TUnZipper::CreateOutputFolder(int fileIndex, const std::string& fName) {
    const std::string folder = FolderPart(fName);
    if (folder.empty()) {
        return true;
    }
    const std::string link = outputGuard_->ForceFolders(folder);
    if (link.empty()) {
        return true;
    }
    SkipEntry(skUnsafeLink, fName, fileIndex, "the folder " + link + " is a symbolic link");
    return false;
}

void TUnZipper::ExtractFolder(int fileIndex, const std::string& outputDir) {
    if (memoryTarget_ || !recreateDirs_ || outputDir.empty()) {
        ++extractedCount_;
        return;
    }
    const std::string link = outputGuard_->ForceFolders(outputDir);
    if (!link.empty()) {
        SkipEntry(skUnsafeLink, outputDir, fileIndex, "the folder " + link + " is a symbolic link");
        return;
    }
    // A stored folder such as "../" is the destination itself, which is the user's.
    if (ExcludeTrailingSeparator(outputDir) != ExcludeTrailingSeparator(DestDir())) {
        const uint32_t mode = spare_->UnixMode();
        std::optional<uint32_t> permissions;
        if (retainAttributes_ && mode != 0) {
            permissions = MaskedPermissions(mode, umask_);
        }
        folderStamps_->Add(outputDir, spare_->ModificationTime(), permissions);
    }
    ++extractedCount_;
}

void TUnZipper::CheckEntryCrc(int fileIndex, const std::string& fName, bool& retry) {
    CheckEntryCrc(fileIndex, fName, decodeContext_->FinishedCrc(), decodeContext_->BytesDelivered(),
                  retry);
}

void TUnZipper::CheckEntryCrc(int fileIndex, const std::string& fName, uint32_t crc,
                              int64_t delivered, bool& retry) {
    crcValue_ = crc;
    const TZipHeaderInfo& entry = *spare_;
    // A test also wants the length its header declares: data that ends early with a
    // matching CRC is what is left of a damaged entry, and a repair must not copy it.
    const bool lengthAsDeclared =
        !testMode_ || static_cast<uint64_t>(delivered) == entry.UncompressedSize;
    if (CrcAgrees(crcValue_) && lengthAsDeclared) {
        if (OnEndUnZip) {
            OnEndUnZip(*this, fileIndex, fName);
        }
        ++extractedCount_;
        return;
    }
    // An AES entry's verifier has already judged the password: a bad CRC is damage.
    if (entry.IsEncrypted() && !aesField_ && crcValue_ != entry.CRC32) {
        std::string newPassword = password_;
        if (OnBadPassword) {
            OnBadPassword(*this, fileIndex, newPassword);
        }
        if (newPassword != password_) {
            password_ = newPassword;
            retry = true;
        } else if (OnSkippingFile) {
            skipDetail_.clear();
            bool ignored = false;
            OnSkippingFile(*this, skBadPassword, entry.FullName(), fileIndex, ignored);
        }
    } else if (OnBadCRC) {
        OnBadCRC(*this, crcValue_, entry.CRC32, fileIndex);
    }
    if (!memoryTarget_) {
        DeleteOutputFile(fName);
    }
}

void TUnZipper::AllocateWorkAreas() {
    decodeContext_ = std::make_unique<TArchiveDecodeContext>(*this);
    if (!cipher_) {
        cipher_ = std::make_unique<TZipCipher>();
    }
    if (!aes_) {
        aes_ = std::make_unique<TAesCtrStream>();
    }
}

void TUnZipper::ReleaseWorkAreas() {
    outputStream_.reset();
    decodeContext_.reset();
}

}  // namespace mobrel
