#include "reader/job_decode_context.h"

#include "platform/engine_errors.h"
#include "platform/stream.h"
#include "reader/archive_file_reader.h"
#include "reader/decode_error_texts.h"

namespace mobrel {

TJobDecodeContext::TJobDecodeContext(const TArchiveFileReader& archive,
                                     const std::atomic<bool>& stop)
    : archive_(archive), stop_(stop) {}

void TJobDecodeContext::Bind(int64_t dataOffset, TStream* output, std::vector<uint32_t>* flushes) {
    offset_ = dataOffset;
    output_ = output;
    flushes_ = flushes;
}

void TJobDecodeContext::CheckStop() const {
    if (stop_.load(std::memory_order_relaxed)) {
        throw EUserCanceled(kUserAborted);
    }
}

void TJobDecodeContext::ReadArchive(uint8_t* buffer, size_t count) {
    CheckStop();
    const size_t got = archive_.ReadAt(offset_, buffer, count);
    offset_ += static_cast<int64_t>(got);
    if (got < count) {
        throw EFatalUnzipError(kPrematureEnd);
    }
}

void TJobDecodeContext::WriteTarget(const uint8_t* data, size_t count) {
    CheckStop();
    const auto size = static_cast<int64_t>(count);
    if (BytesDelivered() + size > UncompressedSize()) {
        throw EBiggerThanUncompressed(kBiggerThanUncompressed);
    }
    if (output_ != nullptr && output_->Write(data, size) < size) {
        throw ECantWriteUCF(kCantWrite);
    }
}

void TJobDecodeContext::OutputFlushed(size_t count) {
    flushes_->push_back(static_cast<uint32_t>(count));
}

}  // namespace mobrel
