#pragma once
// The output of one compression job on its way from the worker that makes it to the
// caller's thread that writes it: a pipe of bytes with one writer and one reader. Bytes
// leave in the order they came. Up to kMemoryLimit wait in memory; a job the caller is not
// reading yet puts what comes beyond that into a temporary file (at most kSpillLimit unread
// there), and any other writer waits for the reader. The file is removed with the log.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/stream.h"

namespace mobrel {

// Raised in the writer of a log the reader gave up: the job ends without a result.
struct TJobStopped {};

class TJobLog {
  public:
    static constexpr size_t kMemoryLimit = size_t{8} << 20;
    static constexpr int64_t kSpillLimit = int64_t{64} << 20;

    // An empty spillFolder keeps everything in memory.
    explicit TJobLog(std::string spillFolder);
    ~TJobLog();
    TJobLog(const TJobLog&) = delete;
    TJobLog& operator=(const TJobLog&) = delete;

    // --- The writer (a worker thread) ---
    // Appends head then body as one piece; raises TJobStopped once the reader stopped.
    void Append(const void* head, size_t headSize, const void* body = nullptr, size_t bodySize = 0);
    // No more bytes come; with an error, the reader gets it after the bytes before it.
    void Close();
    void Fail(std::exception_ptr error);
    bool Stopped() const { return stopped_.load(std::memory_order_relaxed); }

    // --- The reader (the caller's thread) ---
    // Called every few hundredths of a second while the reader waits; may throw.
    using TWaitRoutine = std::function<void()>;
    // Waits for a byte to read: false when the log ended (closed or failed) with none left.
    bool WaitForBytes(const TWaitRoutine& whileWaiting);
    // Takes exactly count bytes, waiting for them; false when the log was closed with none
    // left. Rethrows the writer's error once every byte before it was taken.
    bool Read(void* data, size_t count, const TWaitRoutine& whileWaiting);
    // The reader gives up: the writer stops at its next append.
    void Stop();

  private:
    struct TSegment {
        std::vector<uint8_t> Bytes;  // in memory, or empty for a range of the file
        size_t Taken = 0;
        int64_t FileOffset = -1;
        int64_t FileLength = 0;
        bool InFile() const { return FileOffset >= 0; }
    };

    void AppendToMemory(const uint8_t* head, size_t headSize, const uint8_t* body, size_t bodySize);
    void PushMemory(const uint8_t* data, size_t size);
    bool MaySpill(size_t size) const;
    // Writes both parts to the file outside the lock; false when the file can't take them.
    bool WriteToFile(const uint8_t* head, size_t headSize, const uint8_t* body, size_t bodySize,
                     std::unique_lock<std::mutex>& lock);
    // Waits for the first segment; false when the log ended.
    bool WaitForSegment(std::unique_lock<std::mutex>& lock, const TWaitRoutine& whileWaiting);
    size_t TakeFromFront(uint8_t* data, size_t count, std::unique_lock<std::mutex>& lock);

    const std::string spillFolder_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<TSegment> segments_;
    size_t inMemory_ = 0;
    int64_t unreadInFile_ = 0;
    bool closed_ = false;
    std::exception_ptr error_;
    bool reading_ = false;
    std::atomic<bool> stopped_ = false;

    // The temporary file: the writer's stream, the reader's stream and its name.
    bool spillUsable_ = true;
    std::string spillName_;
    std::unique_ptr<TStream> spillOut_;
    std::unique_ptr<TStream> spillIn_;
    int64_t spillEnd_ = 0;
};

}  // namespace mobrel
