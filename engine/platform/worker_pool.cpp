#include "platform/worker_pool.h"

#include <algorithm>

namespace mobrel {

int WorkerThreadsFor(int threads) {
    if (threads > 0) {
        return threads;
    }
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

TWorkerPool::TWorkerPool(int threads) {
    threads_.reserve(static_cast<size_t>(std::max(threads, 1)));
    for (int i = 0; i < std::max(threads, 1); ++i) {
        threads_.emplace_back([this] { Work(); });
    }
}

TWorkerPool::~TWorkerPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        tasks_.clear();
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

void TWorkerPool::Submit(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

void TWorkerPool::SubmitAll(std::vector<std::function<void()>>& tasks) {
    if (tasks.empty()) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        for (std::function<void()>& task : tasks) {
            tasks_.push_back(std::move(task));
        }
    }
    tasks.clear();
    wake_.notify_all();
}

void TWorkerPool::Work() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            if (stopping_) {
                return;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

}  // namespace mobrel
