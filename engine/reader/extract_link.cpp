// A symbolic link entry extracted to a folder: its data is the target, decoded into memory
// (never more than a path can hold), checked by the run's output guard, and only then made
// a link in place of whatever file or link the overwrite rules let go.
#include <cerrno>
#include <vector>

#include "codecs/decode_context.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "platform/file_date_time.h"
#include "platform/symbolic_link.h"
#include "platform/system_error_text.h"
#include "reader/output_guard.h"
#include "reader/un_zipper.h"

namespace mobrel {

namespace {

// Points the run's memory target at one buffer while it lives.
class TMemoryTargetScope {
  public:
    TMemoryTargetScope(bool& memoryTarget, std::vector<uint8_t>*& buffer,
                       std::vector<uint8_t>& target)
        : memoryTarget_(memoryTarget), buffer_(buffer), savedBuffer_(buffer) {
        memoryTarget_ = true;
        buffer_ = &target;
    }
    ~TMemoryTargetScope() {
        memoryTarget_ = false;
        buffer_ = savedBuffer_;
    }
    TMemoryTargetScope(const TMemoryTargetScope&) = delete;
    TMemoryTargetScope& operator=(const TMemoryTargetScope&) = delete;

  private:
    bool& memoryTarget_;
    std::vector<uint8_t>*& buffer_;
    std::vector<uint8_t>* savedBuffer_;
};

}  // namespace

void TUnZipper::ExtractLink(int fileIndex, std::string& fName, bool& retry) {
    const TZipHeaderInfo& entry = *spare_;
    if (entry.UncompressedSize > TOutputGuard::kMaxTargetLength) {
        SkipEntry(skUnsafeLink, fName, fileIndex, LinkVerdictText(TLinkVerdict::TooLong, {}));
        return;
    }
    std::vector<uint8_t> decoded;
    {
        TMemoryTargetScope scope(memoryTarget_, memoryBuffer_, decoded);
        memoryWritePosition_ = 0;
        memoryBytesRemaining_ = entry.UncompressedSize;
        decodeContext_->BeginEntry(entry.CompressedSize, entry.UncompressedSize);
        decodeContext_->SetCipher(EntryDecryptor());
        try {
            SeekToEntryData(entry.IsEncrypted());
            DecodeEntry();
        } catch (const EBiggerThanUncompressed&) {
            // The CRC check below fails the entry.
        }
        if (!authenticated_) {
            RejectForgedEntry(fileIndex, fName);
            return;
        }
        if (!CrcAgrees(decodeContext_->FinishedCrc())) {
            // Reported as any damaged entry; with the memory target on, no file is removed.
            CheckEntryCrc(fileIndex, fName, retry);
            return;
        }
    }
    decoded.resize(memoryWritePosition_);
    const std::string target(decoded.begin(), decoded.end());
    TLinkVerdict verdict = outputGuard_->CheckLink(fName, target);
    if (verdict == TLinkVerdict::Inside) {
        const std::string asked = fName;
        if (!MayReplace(fileIndex, fName)) {
            return;
        }
        if (fName != asked) {
            verdict = outputGuard_->CheckLink(fName, target);
        }
    }
    if (verdict != TLinkVerdict::Inside) {
        SkipEntry(skUnsafeLink, fName, fileIndex, LinkVerdictText(verdict, target));
        return;
    }
    if (!IsRealFolder(fName) && !RemoveName(fName)) {
        SkipEntry(skCreateError, fName, fileIndex, SystemErrorText(errno));
        return;
    }
    if (!CreateSymbolicLink(target, fName)) {
        SkipEntry(skCreateError, fName, fileIndex, SystemErrorText(errno));
        return;
    }
    if (const std::optional<TDateTime> modified = entry.ModificationTime()) {
        SetFileModificationTime(fName, *modified);
    }
    crcValue_ = entry.CRC32;
    if (OnEndUnZip) {
        OnEndUnZip(*this, fileIndex, fName);
    }
    ++extractedCount_;
}

}  // namespace mobrel
