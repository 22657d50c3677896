#include "writer/parallel_compressor.h"

#include <algorithm>

namespace mobrel {

namespace {

// Files differ in size by orders of magnitude: while the caller waits on a big one, the
// other workers go on through the small ones after it, so the window reaches far ahead in
// files and is held back by their bytes instead.
size_t WindowFor(int workers) {
    return std::clamp<size_t>(64 * static_cast<size_t>(std::max(workers, 1)), 2, 4096);
}

}  // namespace

TParallelCompressor::TParallelCompressor(std::vector<std::string> names, int workers,
                                         TRoutines routines, std::string spillFolder)
    : names_(std::move(names)),
      routines_(std::move(routines)),
      spillFolder_(std::move(spillFolder)),
      window_(WindowFor(workers)),
      pool_(std::make_unique<TWorkerPool>(workers)) {}

TParallelCompressor::~TParallelCompressor() {
    for (const TWindowJob& entry : jobs_) {
        entry.Job->Stop();
    }
    if (taken_) {
        taken_->Stop();
    }
    pool_.reset();
    jobs_.clear();
}

void TParallelCompressor::Reach(size_t index) {
    current_ = index;
    if (taken_) {
        taken_->Stop();
        taken_.reset();
    }
    while (!jobs_.empty() && jobs_.front().Index < index) {
        jobs_.front().Job->Stop();
        windowBytes_ -= jobs_.front().Bytes;
        jobs_.pop_front();
    }
    next_ = std::max(next_, index);
    // A file bigger than the byte limit still goes out, once the window is empty.
    while (next_ < names_.size() && jobs_.size() < window_ &&
           (jobs_.empty() || windowBytes_ < kWindowBytes)) {
        const std::string& name = names_[next_];
        if (std::optional<TCompressionJobInputs> inputs = routines_.InputsFor(name)) {
            Submit(next_, std::move(*inputs), routines_.SizeOf(name));
        }
        ++next_;
    }
}

std::shared_ptr<TCompressionJob> TParallelCompressor::TakeCurrent() {
    if (jobs_.empty() || jobs_.front().Index != current_) {
        return nullptr;
    }
    taken_ = std::move(jobs_.front().Job);
    windowBytes_ -= jobs_.front().Bytes;
    jobs_.pop_front();
    return taken_;
}

void TParallelCompressor::Submit(size_t index, TCompressionJobInputs inputs, int64_t bytes) {
    auto job = std::make_shared<TCompressionJob>(std::move(inputs), spillFolder_);
    jobs_.push_back({index, job, bytes});
    windowBytes_ += bytes;
    pool_->Submit([this, job] { RunJob(*job); });
}

void TParallelCompressor::RunJob(TCompressionJob& job) {
    std::unique_ptr<TDeflater> deflater = TakeDeflater();
    if (!job.Run(routines_.Open, *deflater)) {
        // Left in the middle of a file: the next job gets a fresh one.
        return;
    }
    std::lock_guard lock(deflatersMutex_);
    deflaters_.push_back(std::move(deflater));
}

std::unique_ptr<TDeflater> TParallelCompressor::TakeDeflater() {
    std::lock_guard lock(deflatersMutex_);
    if (deflaters_.empty()) {
        return std::make_unique<TDeflater>();
    }
    std::unique_ptr<TDeflater> deflater = std::move(deflaters_.back());
    deflaters_.pop_back();
    return deflater;
}

}  // namespace mobrel
