#include "reader/parallel_decoder.h"

#include <algorithm>

#include "format/zip_header_info.h"
#include "platform/worker_pool.h"
#include "reader/decode_job.h"
#include "reader/job_decode_context.h"

namespace mobrel {

TParallelDecoder::TParallelDecoder(int workers, int archiveDescriptor,
                                   const std::string& archiveName)
    : archive_(archiveDescriptor, archiveName),
      maxJobs_(kJobsPerWorker * std::max(workers, 1)),
      maxBytes_(kBytesInFlightPerWorker * std::max(workers, 1)),
      pool_(std::make_unique<TWorkerPool>(std::max(workers, 1))) {}

TParallelDecoder::~TParallelDecoder() {
    stop_.store(true, std::memory_order_relaxed);
    pool_.reset();
}

bool TParallelDecoder::Full() const {
    if (jobs_.empty()) {
        return false;
    }
    return static_cast<int>(jobs_.size()) >= maxJobs_ || bytesOut_ >= maxBytes_;
}

std::unique_ptr<TJobDecodeContext> TParallelDecoder::TakeContext() {
    {
        std::lock_guard lock(contextsMutex_);
        if (!freeContexts_.empty()) {
            std::unique_ptr<TJobDecodeContext> context = std::move(freeContexts_.back());
            freeContexts_.pop_back();
            return context;
        }
    }
    return std::make_unique<TJobDecodeContext>(archive_, stop_);
}

void TParallelDecoder::ReturnContext(std::unique_ptr<TJobDecodeContext> context) {
    std::lock_guard lock(contextsMutex_);
    freeContexts_.push_back(std::move(context));
}

void TParallelDecoder::Submit(std::unique_ptr<TDecodeJob> job) {
    TDecodeJob* raw = job.get();
    bytesOut_ += static_cast<int64_t>(raw->Request().Entry->UncompressedSize);
    jobs_.push_back(std::move(job));
    waiting_.push_back([this, raw] {
        // A context per running job, not per job in the window: at most one per worker.
        std::unique_ptr<TJobDecodeContext> context = TakeContext();
        raw->Run(*context);
        ReturnContext(std::move(context));
        Finished(raw);
    });
    // Waking a worker costs about as much as decoding a small entry, so the jobs of small
    // entries go out a few at a time.
    waitingBytes_ += static_cast<int64_t>(raw->Request().Entry->CompressedSize);
    if (static_cast<int>(waiting_.size()) >= kBatchJobs || waitingBytes_ >= kBatchBytes) {
        ReleaseWaiting();
    }
}

void TParallelDecoder::ReleaseWaiting() {
    pool_->SubmitAll(waiting_);
    waitingBytes_ = 0;
}

void TParallelDecoder::Finished(TDecodeJob* job) {
    {
        std::lock_guard lock(mutex_);
        done_.push_back(job);
    }
    finished_.notify_all();
}

std::unique_ptr<TDecodeJob> TParallelDecoder::TakeFront(const std::function<void()>& poll) {
    ReleaseWaiting();
    TDecodeJob* front = jobs_.front().get();
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            const bool done = finished_.wait_for(lock, kPollInterval, [&] {
                return std::find(done_.begin(), done_.end(), front) != done_.end();
            });
            if (done) {
                std::erase(done_, front);
                break;
            }
        }
        poll();
    }
    bytesOut_ -= static_cast<int64_t>(front->Request().Entry->UncompressedSize);
    std::unique_ptr<TDecodeJob> job = std::move(jobs_.front());
    jobs_.pop_front();
    return job;
}

bool TParallelDecoder::Writes(const std::string& path) const {
    return std::any_of(jobs_.begin(), jobs_.end(), [&path](const auto& job) {
        return !job->Request().FName.empty() && job->Request().FName == path;
    });
}

TParallelDecoder::TLeftOver TParallelDecoder::LeftOver(bool keepOldest) const {
    TLeftOver left;
    for (size_t i = 0; i < jobs_.size(); ++i) {
        const TDecodeJob::TRequest& request = jobs_[i]->Request();
        if (!request.Output) {
            continue;
        }
        const bool kept = keepOldest && i == 0;
        if (!request.AsideName.empty()) {
            if (kept) {
                left.PutInPlace.emplace_back(request.AsideName, request.FName);
            } else {
                left.Remove.push_back(request.AsideName);
            }
        } else if (request.NewFile && !kept) {
            left.Remove.push_back(request.FName);
        }
    }
    return left;
}

void TParallelDecoder::NoteSkippedBytes(int64_t bytes) {
    if (!retiring_ && bytes != 0) {
        skips_.emplace_back(preparing_, bytes);
    }
}

int64_t TParallelDecoder::SkippedAfter(int64_t order) {
    std::erase_if(skips_, [order](const auto& skip) { return skip.first <= order; });
    int64_t bytes = 0;
    for (const auto& skip : skips_) {
        bytes += skip.second;
    }
    return bytes;
}

}  // namespace mobrel
