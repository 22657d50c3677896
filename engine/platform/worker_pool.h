#pragma once
// A fixed set of worker threads running tasks in the order they were submitted. The
// writer and the extractor hand file data to it; everything that talks to the caller
// stays on the caller's thread, so a task never fires an event.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace mobrel {

// The number of worker threads a Threads setting asks for: 0 means one per core.
int WorkerThreadsFor(int threads);

class TWorkerPool {
  public:
    explicit TWorkerPool(int threads);
    // Drops the tasks not yet started, waits for the running ones and joins every thread:
    // no worker outlives the pool.
    ~TWorkerPool();
    TWorkerPool(const TWorkerPool&) = delete;
    TWorkerPool& operator=(const TWorkerPool&) = delete;

    // Tasks start in submission order. A task catches its own exceptions and hands them
    // to whoever waits for its result; one that escapes ends the program.
    void Submit(std::function<void()> task);
    // Queues every task of tasks at once, with one wake-up for the lot.
    void SubmitAll(std::vector<std::function<void()>>& tasks);
    int Size() const { return static_cast<int>(threads_.size()); }

  private:
    void Work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace mobrel
