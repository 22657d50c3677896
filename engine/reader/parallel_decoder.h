#pragma once
// The entries of an extraction run whose decode runs ahead on worker threads: a bounded
// window of jobs in entry order, each decoding on a worker with its own context and
// buffers, taken back by the caller's thread oldest first. Destroying the decoder stops
// every job at its next block and joins every worker before the jobs (and the output files
// they hold) are released.
//
// It also keeps the bytes taken off the run's total by entries prepared while older ones
// were still out, so that an older entry's progress replays against the total it had.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "reader/archive_file_reader.h"

namespace mobrel {

class TDecodeJob;
class TJobDecodeContext;
class TWorkerPool;

class TParallelDecoder {
  public:
    // Caller's thread polls this often while it waits for a job.
    static constexpr std::chrono::milliseconds kPollInterval{20};
    // The window: at most this many jobs per worker, and no new job while the jobs out
    // add up to this many uncompressed bytes per worker (one job is always let through).
    // The output files' buffers of the jobs out hold those bytes: kept small, they are
    // reused rather than handed back to the system and touched afresh.
    static constexpr int kJobsPerWorker = 16;
    static constexpr int64_t kBytesInFlightPerWorker = int64_t{1} << 20;
    // Jobs are handed to the workers in batches of this many, or fewer once their
    // compressed bytes reach kBatchBytes, or whenever the caller waits.
    static constexpr int kBatchJobs = 8;
    static constexpr int64_t kBatchBytes = int64_t{256} << 10;

    // archiveDescriptor: the open archive file, read by the workers through a duplicate.
    TParallelDecoder(int workers, int archiveDescriptor, const std::string& archiveName);
    ~TParallelDecoder();
    TParallelDecoder(const TParallelDecoder&) = delete;
    TParallelDecoder& operator=(const TParallelDecoder&) = delete;

    bool Empty() const { return jobs_.empty(); }
    bool Full() const;
    // Starts job on a worker; the window must not be Full.
    void Submit(std::unique_ptr<TDecodeJob> job);
    // Waits for the oldest job to finish, running poll every kPollInterval meanwhile
    // (poll may throw), and hands it over.
    std::unique_ptr<TDecodeJob> TakeFront(const std::function<void()>& poll);
    // True when a job still out writes the file path.
    bool Writes(const std::string& path) const;
    // What the jobs still out leave when the run ends before their turn: the files they
    // created where no file was and their temporary files go. When keepOldest, the oldest
    // job's file stays, a temporary one put in place of the file it replaces.
    struct TLeftOver {
        std::vector<std::string> Remove;
        std::vector<std::pair<std::string, std::string>> PutInPlace;  // (temporary, final)
    };
    TLeftOver LeftOver(bool keepOldest) const;

    // --- Entry order and the skipped bytes of entries prepared ahead ---
    // Counts one more entry prepared; its number orders skips against the jobs.
    void StartPreparing() { ++preparing_; }
    int64_t Preparing() const { return preparing_; }
    // While true the caller is finishing older entries: nothing it skips, and no entry it
    // runs again, belongs to the entry being prepared, and nothing is handed off.
    bool Retiring() const { return retiring_; }
    void SetRetiring(bool value) { retiring_ = value; }
    // How the caller's finishing of the oldest entry ended the run, if it did: while it
    // waited for that entry (which stays out, the one a single thread would be writing),
    // or after taking it.
    enum class TRetireFailure { None, Waiting, Finishing };
    TRetireFailure RetireFailure() const { return retireFailure_; }
    void SetRetireFailure(TRetireFailure value) { retireFailure_ = value; }
    // bytes taken off the run's total while preparing the current entry.
    void NoteSkippedBytes(int64_t bytes);
    // The bytes taken off by entries after order; those up to it are forgotten.
    int64_t SkippedAfter(int64_t order);

  private:
    std::unique_ptr<TJobDecodeContext> TakeContext();
    void ReturnContext(std::unique_ptr<TJobDecodeContext> context);
    void Finished(TDecodeJob* job);
    void ReleaseWaiting();

    TArchiveFileReader archive_;
    std::atomic<bool> stop_ = false;
    int maxJobs_;
    int64_t maxBytes_;
    std::deque<std::unique_ptr<TDecodeJob>> jobs_;
    // The decoding contexts no running job holds; taken and given back by the workers.
    std::mutex contextsMutex_;
    std::vector<std::unique_ptr<TJobDecodeContext>> freeContexts_;  // under contextsMutex_
    int64_t bytesOut_ = 0;
    // Jobs in the window not yet handed to the pool.
    std::vector<std::function<void()>> waiting_;
    int64_t waitingBytes_ = 0;

    std::mutex mutex_;
    std::condition_variable finished_;
    std::vector<TDecodeJob*> done_;  // under mutex_

    int64_t preparing_ = 0;
    bool retiring_ = false;
    TRetireFailure retireFailure_ = TRetireFailure::None;
    std::vector<std::pair<int64_t, int64_t>> skips_;  // (order, bytes)

    // Declared last: destroyed first, so no worker runs once the members above go.
    std::unique_ptr<TWorkerPool> pool_;
};

}  // namespace mobrel
