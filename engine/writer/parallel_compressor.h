#pragma once
// Compresses the files of a list ahead of the caller that writes them, on a pool of worker
// threads: a window of jobs in list order, each with its own file handle and each worker
// with its own deflater. The caller reaches the files one by one and takes each one's job;
// a job it does not take is stopped. At most Window() jobs are in flight, each holding at
// most TJobLog::kMemoryLimit in memory.
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "codecs/deflater.h"
#include "platform/worker_pool.h"
#include "writer/compression_job.h"

namespace mobrel {

class TParallelCompressor {
  public:
    struct TRoutines {
        // Opens a file for a job; called on worker threads.
        TCompressionJob::TOpenRoutine Open;
        // The inputs of the job for a name, or none for a name no job serves; called on the
        // caller's thread when the name enters the window.
        std::function<std::optional<TCompressionJobInputs>(const std::string& name)> InputsFor;
    };

    TParallelCompressor(std::vector<std::string> names, int workers, TRoutines routines,
                        std::string spillFolder);
    // Stops every job, joins the workers and removes the jobs' temporary files.
    ~TParallelCompressor();
    TParallelCompressor(const TParallelCompressor&) = delete;
    TParallelCompressor& operator=(const TParallelCompressor&) = delete;

    // The caller reached names[index]: jobs before it are dropped and the window filled.
    void Reach(size_t index);
    // The job of the name reached last, out of the window; null when there is none. It is
    // stopped at the next Reach or on destruction, however the caller leaves it: its worker
    // may be waiting for the caller to read.
    std::shared_ptr<TCompressionJob> TakeCurrent();
    size_t Window() const { return window_; }

  private:
    struct TWindowJob {
        size_t Index;
        std::shared_ptr<TCompressionJob> Job;
    };

    void Submit(size_t index, TCompressionJobInputs inputs);
    void RunJob(TCompressionJob& job);
    std::unique_ptr<TDeflater> TakeDeflater();

    const std::vector<std::string> names_;
    const TRoutines routines_;
    const std::string spillFolder_;
    const size_t window_;
    size_t next_ = 0;     // the first name not yet in the window
    size_t current_ = 0;  // the name reached
    std::deque<TWindowJob> jobs_;
    std::shared_ptr<TCompressionJob> taken_;

    std::mutex deflatersMutex_;
    std::vector<std::unique_ptr<TDeflater>> deflaters_;  // the idle ones

    std::unique_ptr<TWorkerPool> pool_;
};

}  // namespace mobrel
