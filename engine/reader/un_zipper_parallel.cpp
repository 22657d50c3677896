// Extraction with the decoding on worker threads. The caller's thread prepares each entry
// exactly as with one thread (every event and decision up to the open output file), hands
// the decode to a worker and goes on to the next entry; the decoded entries come back in
// entry order and are finished here as the one-thread step finishes them.
#include <filesystem>
#include <system_error>

#include "codecs/zip_cipher.h"
#include "format/end_central.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "platform/lfn_file_stream.h"
#include "platform/progress.h"
#include "platform/system_error_text.h"
#include "platform/worker_pool.h"
#include "reader/decode_error_texts.h"
#include "reader/decode_job.h"
#include "reader/parallel_decoder.h"
#include "reader/un_zipper.h"

namespace mobrel {

namespace {

// Marks the caller as finishing older entries while it lives.
class TRetiringScope {
  public:
    explicit TRetiringScope(TParallelDecoder& decoder) : decoder_(decoder) {
        decoder_.SetRetiring(true);
    }
    ~TRetiringScope() { decoder_.SetRetiring(false); }
    TRetiringScope(const TRetiringScope&) = delete;
    TRetiringScope& operator=(const TRetiringScope&) = delete;

  private:
    TParallelDecoder& decoder_;
};

}  // namespace

bool TUnZipper::CanDecodeInParallel() const {
    // The disks of a set are read one after the other through OnGetNextDisk, and a memory
    // target is one buffer: both stay on the caller's thread. So does an archive that is
    // not one plain file (a copy split in pieces, read as one stream), as the workers read
    // the file through a descriptor of their own.
    if (threads_ == 1 || endCentral_->ThisDisk != 0 || (memoryTarget_ && !testMode_)) {
        return false;
    }
    return dynamic_cast<const TLFNFileStream*>(zipStream_.get()) != nullptr;
}

void TUnZipper::RunChosenEntriesInParallel() {
    const auto& archive = dynamic_cast<const TLFNFileStream&>(*zipStream_);
    parallel_ = std::make_unique<TParallelDecoder>(WorkerThreadsFor(threads_), archive.Handle(),
                                                   archive.FileName());
    try {
        for (int i = 0; i < Count(); ++i) {
            if (!doAll_ && !VisibleEntry(i).Marked) {
                continue;
            }
            // Entries are finished when the window is full rather than as soon as they are
            // decoded, so the order of the events depends on the archive alone.
            // A cancel asked for by an older entry's events stops the run at the next entry
            // with data, as with one thread: the next older one, if one is still out.
            while (parallel_->Full() || (cancelRequested_ && !parallel_->Empty())) {
                RetireOldestJob();
            }
            // A link is decoded and reported on this thread: the entries before it finish
            // first, so their end events keep the order of the entries.
            if (!memoryTarget_ && VisibleEntry(i).IsSymbolicLink()) {
                RetireAllJobs();
            }
            parallel_->StartPreparing();
            bool retry = false;
            do {
                ExtractEntry(i, retry);
            } while (retry);
        }
        RetireAllJobs();
    } catch (...) {
        EndRunAfterFailure(std::current_exception());
    }
    parallel_.reset();
}

// The run stops where one thread would have stopped, and leaves what it would leave.
void TUnZipper::EndRunAfterFailure(std::exception_ptr error) {
    using TFailure = TParallelDecoder::TRetireFailure;
    if (parallel_->RetireFailure() == TFailure::None) {
        // Failed while preparing an entry: one thread had finished every entry before it,
        // and the first failure among those would have come first.
        try {
            RetireAllJobs();
        } catch (...) {
            error = std::current_exception();
        }
    }
    // The oldest entry still out when the wait for it failed is the one a single thread
    // would be writing: it keeps what was written of it, undated. The entries behind it
    // were never reached by one thread: the files made for them go.
    const TParallelDecoder::TLeftOver left =
        parallel_->LeftOver(parallel_->RetireFailure() == TFailure::Waiting);
    parallel_.reset();  // stops and joins every worker and closes their files
    std::error_code ignored;
    for (const std::string& file : left.Remove) {
        std::filesystem::remove(file, ignored);
    }
    for (const auto& [aside, file] : left.PutInPlace) {
        std::filesystem::rename(aside, file, ignored);
    }
    std::rethrow_exception(error);
}

bool TUnZipper::HandsOffDecode() const {
    return parallel_ != nullptr && !parallel_->Retiring();
}

void TUnZipper::HandOffDecode(int fileIndex, const std::string& fName, bool bufferSizedHere) {
    // A cancel asked for while this entry was prepared (by a prompt's handler, say).
    if (cancelRequested_ && spare_->CompressedSize > 0) {
        StopAtEntryData();
    }
    TDecodeJob::TRequest request;
    request.FileIndex = fileIndex;
    request.Order = parallel_->Preparing();
    request.FName = fName;
    request.BufferSizedHere = bufferSizedHere;
    request.Entry = std::make_unique<TZipHeaderInfo>();
    request.Entry->Assign(*spare_);
    request.AesField = aesField_;
    request.Method = DataMethod();
    request.DataOffset = EntryDataOffset(spare_->IsEncrypted());
    if (spare_->IsEncrypted()) {
        if (aesField_) {
            request.AesKeys = aesKeys_;
        } else {
            request.Cipher = *cipher_;
        }
    }
    request.Output = std::move(outputStream_);
    request.NewFile = outputIsNew_;
    request.AsideName = outputAside_;
    parallel_->Submit(std::make_unique<TDecodeJob>(std::move(request)));
}

void TUnZipper::StopAtEntryData() {
    // One thread would now read this entry's first block and stop there, every entry before
    // it finished: those still out finish first, the cancel held back until they have.
    std::unique_ptr<TLFNFileStream> output = std::move(outputStream_);
    cancelRequested_ = false;
    RetireAllJobs();
    outputStream_ = std::move(output);
    cancelRequested_ = true;
    CheckCancel();
}

void TUnZipper::RetireOldestJob() {
    using TFailure = TParallelDecoder::TRetireFailure;
    parallel_->SetRetireFailure(TFailure::Waiting);
    std::unique_ptr<TDecodeJob> job = parallel_->TakeFront([this] { CheckCancel(); });
    parallel_->SetRetireFailure(TFailure::Finishing);
    // Where one thread would read the entry's first block: a cancel requested since (by an
    // earlier entry's event, say) stops the run before this entry counts.
    if (job->Request().Entry->CompressedSize > 0) {
        CheckCancel();
    }
    TRetiringScope retiring(*parallel_);
    bool retry = false;
    FinishDecodeJob(*job, retry);
    const int fileIndex = job->Request().FileIndex;
    job.reset();
    // A new password for an entry decoded ahead runs that entry again here, on this thread,
    // as with one thread. The entries already handed off keep the password they passed
    // their check with; the new one applies from the next entry prepared.
    while (retry) {
        ExtractEntry(fileIndex, retry);
    }
    parallel_->SetRetireFailure(TFailure::None);
}

void TUnZipper::RetireAllJobs() {
    while (!parallel_->Empty()) {
        RetireOldestJob();
    }
}

void TUnZipper::RetireJobsWriting(const std::string& fName) {
    if (!HandsOffDecode() || memoryTarget_ || !parallel_->Writes(fName)) {
        return;
    }
    // An entry still out writes the same file (an archive may hold a name twice): it is
    // finished first, so the overwrite rules see what one thread would leave. Finishing
    // runs other entries' steps, so the working entry is put back afterwards.
    TZipHeaderInfo current;
    current.Assign(*spare_);
    const auto localHeader = localHeaderImage_;
    RetireAllJobs();
    spare_->Assign(current);
    localHeaderImage_ = localHeader;
    SeekToEntryData(false);
}

void TUnZipper::FinishDecodeJob(TDecodeJob& job, bool& retry) {
    TDecodeJob::TRequest& request = job.Request();
    const TDecodeJob::TResult& result = job.Result();
    spare_->Assign(*request.Entry);
    aesField_ = request.AesField;
    authenticated_ = result.Authenticated;
    ReplayProgress(job);
    outputStream_ = std::move(request.Output);
    if (result.Error) {
        outputStream_.reset();
        FinishOutput(false, request.BufferSizedHere);
        RethrowJobError(job);
    }
    try {
        FinishOutput(result.Decoded && authenticated_, request.BufferSizedHere);
    } catch (const ECantWriteUCF&) {
        // The file cut short was the temporary one: the file it would replace stays.
        throw ECantWriteUCF(NotEnoughSpaceText(request.FName));
    }
    if (!PutAsideFileInPlace(job)) {
        return;
    }
    if (!authenticated_) {
        RejectForgedEntry(request.FileIndex, request.FName);
        return;
    }
    CheckEntryCrc(request.FileIndex, request.FName, result.Crc, result.Delivered, retry);
}

bool TUnZipper::PutAsideFileInPlace(const TDecodeJob& job) {
    const TDecodeJob::TRequest& request = job.Request();
    if (request.AsideName.empty()) {
        return true;
    }
    std::error_code error;
    std::filesystem::rename(request.AsideName, request.FName, error);
    if (!error) {
        return true;
    }
    std::error_code ignored;
    std::filesystem::remove(request.AsideName, ignored);
    SkipEntry(skCreateError, request.FName, request.FileIndex, SystemErrorText(error.value()));
    return false;
}

void TUnZipper::RethrowJobError(const TDecodeJob& job) {
    const TDecodeJob::TRequest& request = job.Request();
    try {
        std::rethrow_exception(job.Result().Error);
    } catch (const ECantWriteUCF&) {
        // As with one thread: a file the disk cut short must not pass for the entry. Cut
        // short under a temporary name, the file it would replace stays as it was.
        std::error_code ignored;
        std::filesystem::remove(request.AsideName.empty() ? request.FName : request.AsideName,
                                ignored);
        throw ECantWriteUCF(NotEnoughSpaceText(request.FName));
    } catch (const EStreamError& error) {
        // The output's own failure names the file the user knows, not the temporary one.
        PutAsideFileInPlace(job);
        if (request.AsideName.empty()) {
            throw;
        }
        std::string text = error.what();
        for (size_t at = text.find(request.AsideName); at != std::string::npos;
             at = text.find(request.AsideName, at + request.FName.size())) {
            text.replace(at, request.AsideName.size(), request.FName);
        }
        throw EStreamError(text);
    } catch (...) {
        // Any other failure leaves what was written of the entry, undated, under its name.
        PutAsideFileInPlace(job);
        throw;
    }
}

void TUnZipper::ReplayProgress(const TDecodeJob& job) {
    // The total as it stood when this entry decoded with one thread: entries prepared
    // after it have not been skipped yet.
    const int64_t total = totalBytes_ + parallel_->SkippedAfter(job.Request().Order);
    const auto size = static_cast<int64_t>(job.Request().Entry->UncompressedSize);
    int64_t delivered = 0;
    for (const uint32_t count : job.Result().Flushes) {
        delivered += count;
        bytesDone_ += count;
        if (OnFilePercentDone) {
            OnFilePercentDone(*this, PercentOf(delivered, size));
        }
        if (OnTotalPercentDone) {
            OnTotalPercentDone(*this, PercentOf(bytesDone_, total));
        }
    }
}

}  // namespace mobrel
