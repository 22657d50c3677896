#pragma once
// Compresses the files of a list ahead of the caller that writes them, on a pool of worker
// threads: a window of jobs in list order, each with its own file handle and each worker
// with its own deflater. The caller reaches the files one by one and takes each one's job;
// a job it does not take is stopped. At most Window() jobs are in flight, and no more are
// started while those in flight read kWindowBytes; each holds at most
// TJobLog::kMemoryLimit in memory.
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
        // The size of the file a job reads, as far as the caller can tell; 0 when unknown.
        std::function<int64_t(const std::string& name)> SizeOf;
    };

    // The source bytes of the jobs in the window, compressed or waiting: what they may hold
    // in memory together, the head job's aside.
    static constexpr int64_t kWindowBytes = int64_t{8} << 20;

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
        int64_t Bytes;
    };

    void Submit(size_t index, TCompressionJobInputs inputs, int64_t bytes);
    void RunJob(TCompressionJob& job);
    std::unique_ptr<TDeflater> TakeDeflater();

    const std::vector<std::string> names_;
    const TRoutines routines_;
    const std::string spillFolder_;
    const size_t window_;
    int64_t windowBytes_ = 0;
    size_t next_ = 0;     // the first name not yet in the window
    size_t current_ = 0;  // the name reached
    std::deque<TWindowJob> jobs_;
    std::shared_ptr<TCompressionJob> taken_;

    std::mutex deflatersMutex_;
    std::vector<std::unique_ptr<TDeflater>> deflaters_;  // the idle ones

    std::unique_ptr<TWorkerPool> pool_;
};

}  // namespace mobrel
