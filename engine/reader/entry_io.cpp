// The two ends of an entry's decoding inside an extraction run: raw bytes read from the
// archive (honouring a cancel request and continuing onto the next disk of a set) and
// decoded bytes handed to the target, with the progress events after every flush.
#include <algorithm>
#include <cstring>

#include "codecs/decode_context.h"
#include "format/end_central.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "platform/interactive_services.h"
#include "platform/lfn_file_stream.h"
#include "platform/progress.h"
#include "reader/decode_error_texts.h"
#include "reader/un_zipper.h"

namespace mobrel {

void TUnZipper::CheckCancel() {
    if (doProcessMessages_) {
        Services().ProcessMessages();
    }
    if (cancelRequested_) {
        cancelRequested_ = false;
        throw EUserCanceled(kUserAborted);
    }
}

void TUnZipper::ReadEntryData(uint8_t* buffer, size_t count) {
    CheckCancel();
    const auto wanted = static_cast<int64_t>(count);
    int64_t got = ArchiveStream().Read(buffer, wanted);
    if (got == wanted) {
        return;
    }
    if (endCentral_->ThisDisk == 0 || !OnGetNextDisk) {
        throw EFatalUnzipError(kPrematureEnd);
    }
    while (got < wanted) {
        // The last disk holds the end record: data can't go on beyond it, and asking for
        // disks that don't exist would never end.
        if (currentDisk_ + 1 >= diskCount_) {
            throw EFatalUnzipError(kPrematureEnd);
        }
        try {
            OpenDisk(currentDisk_ + 2);
        } catch (const EUserCanceled&) {
            throw EUserCanceled(kUserAborted);
        }
        got += zipStream_->Read(buffer + got, wanted - got);
    }
}

void TUnZipper::WriteEntryOutput(const uint8_t* data, size_t count) {
    const auto size = static_cast<int64_t>(count);
    if (memoryTarget_) {
        if (size > memoryBytesRemaining_) {
            throw EBiggerThanUncompressed(kBiggerThanUncompressed);
        }
        if (!testMode_ && memoryBuffer_ != nullptr) {
            // The buffer grows with what arrives, so a header that merely claims a huge
            // size costs no memory.
            if (memoryBuffer_->size() < memoryWritePosition_ + count) {
                memoryBuffer_->resize(memoryWritePosition_ + count);
            }
            std::memcpy(memoryBuffer_->data() + memoryWritePosition_, data, count);
        }
        memoryWritePosition_ += count;
        memoryBytesRemaining_ -= size;
        return;
    }
    if (decodeContext_->BytesDelivered() + size > static_cast<int64_t>(spare_->UncompressedSize)) {
        throw EBiggerThanUncompressed(kBiggerThanUncompressed);
    }
    if (outputStream_->Write(data, size) < size) {
        throw ECantWriteUCF(kCantWrite);
    }
}

void TUnZipper::ReportEntryProgress(size_t count) {
    bytesDone_ += static_cast<int64_t>(count);
    try {
        if (OnFilePercentDone) {
            OnFilePercentDone(*this, PercentOf(decodeContext_->BytesDelivered(),
                                               static_cast<int64_t>(spare_->UncompressedSize)));
        }
        if (OnTotalPercentDone) {
            OnTotalPercentDone(*this, PercentOf(bytesDone_, totalBytes_));
        }
    } catch (...) {
        // The decoders take whatever stops them for bad data; a handler's exception must
        // end the run instead, so it is kept and raised again once the decoder returns.
        handlerError_ = std::current_exception();
        throw;
    }
}

}  // namespace mobrel
