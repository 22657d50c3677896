#include "writer/job_log.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/engine_errors.h"
#include "platform/file_stream.h"
#include "platform/temp_files.h"

namespace mobrel {

namespace {

// How long the reader waits before it lets the caller look at its messages again.
constexpr std::chrono::milliseconds kReaderPatience{25};
constexpr size_t kMemorySegmentSize = 64 * 1024;

}  // namespace

TJobLog::TJobLog(std::string spillFolder) : spillFolder_(std::move(spillFolder)) {
    spillUsable_ = !spillFolder_.empty();
}

TJobLog::~TJobLog() {
    spillOut_.reset();
    spillIn_.reset();
    if (!spillName_.empty()) {
        std::error_code error;
        std::filesystem::remove(spillName_, error);
    }
}

// --- The writer ---

void TJobLog::Append(const void* head, size_t headSize, const void* body, size_t bodySize) {
    const auto* headBytes = static_cast<const uint8_t*>(head);
    const auto* bodyBytes = static_cast<const uint8_t*>(body);
    const size_t size = headSize + bodySize;
    std::unique_lock lock(mutex_);
    for (;;) {
        if (Stopped()) {
            throw TJobStopped();
        }
        // A piece larger than the limit still goes through once memory is empty.
        if (inMemory_ + size <= kMemoryLimit || inMemory_ == 0) {
            AppendToMemory(headBytes, headSize, bodyBytes, bodySize);
            return;
        }
        if (MaySpill(size) && WriteToFile(headBytes, headSize, bodyBytes, bodySize, lock)) {
            return;
        }
        changed_.wait(lock);
    }
}

void TJobLog::AppendToMemory(const uint8_t* head, size_t headSize, const uint8_t* body,
                             size_t bodySize) {
    PushMemory(head, headSize);
    PushMemory(body, bodySize);
    inMemory_ += headSize + bodySize;
    changed_.notify_all();
}

void TJobLog::PushMemory(const uint8_t* data, size_t size) {
    while (size > 0) {
        if (segments_.empty() || segments_.back().InFile() ||
            segments_.back().Bytes.size() >= kMemorySegmentSize) {
            segments_.emplace_back().Bytes.reserve(kMemorySegmentSize);
        }
        std::vector<uint8_t>& bytes = segments_.back().Bytes;
        const size_t taken = std::min(size, kMemorySegmentSize - bytes.size());
        bytes.insert(bytes.end(), data, data + taken);
        data += taken;
        size -= taken;
    }
}

// A job being read waits for its reader instead: the reader takes its bytes soon anyway.
bool TJobLog::MaySpill(size_t size) const {
    return spillUsable_ && !reading_ && unreadInFile_ + static_cast<int64_t>(size) <= kSpillLimit;
}

bool TJobLog::WriteToFile(const uint8_t* head, size_t headSize, const uint8_t* body,
                          size_t bodySize, std::unique_lock<std::mutex>& lock) {
    // Only this thread writes the file and moves spillEnd_, so the lock can be let go.
    lock.unlock();
    const int64_t offset = spillEnd_;
    bool written = false;
    try {
        if (!spillOut_) {
            spillName_ = MakeTempFile(spillFolder_, "MBJ");
            spillOut_ = std::make_unique<TFileStream>(spillName_, TFileMode::OpenReadWrite);
        }
        spillOut_->Seek(offset, soBeginning);
        const auto headLength = static_cast<int64_t>(headSize);
        const auto bodyLength = static_cast<int64_t>(bodySize);
        written = spillOut_->Write(head, headLength) == headLength &&
                  (bodySize == 0 || spillOut_->Write(body, bodyLength) == bodyLength);
    } catch (const EEngineError&) {
        written = false;
    }
    lock.lock();
    if (!written) {
        // A full or missing folder: the rest waits in memory for the reader.
        spillUsable_ = false;
        return false;
    }
    const auto size = static_cast<int64_t>(headSize + bodySize);
    spillEnd_ += size;
    if (!segments_.empty() && segments_.back().InFile()) {
        segments_.back().FileLength += size;
    } else {
        TSegment& segment = segments_.emplace_back();
        segment.FileOffset = offset;
        segment.FileLength = size;
    }
    unreadInFile_ += size;
    changed_.notify_all();
    return true;
}

void TJobLog::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    changed_.notify_all();
}

void TJobLog::Fail(std::exception_ptr error) {
    std::lock_guard lock(mutex_);
    error_ = std::move(error);
    closed_ = true;
    changed_.notify_all();
}

// --- The reader ---

bool TJobLog::WaitForBytes(const TWaitRoutine& whileWaiting) {
    std::unique_lock lock(mutex_);
    reading_ = true;
    changed_.notify_all();
    while (segments_.empty() && !closed_) {
        if (changed_.wait_for(lock, kReaderPatience) == std::cv_status::timeout) {
            lock.unlock();
            whileWaiting();
            lock.lock();
        }
    }
    return !segments_.empty();
}

bool TJobLog::Read(void* data, size_t count, const TWaitRoutine& whileWaiting) {
    auto* bytes = static_cast<uint8_t*>(data);
    size_t done = 0;
    std::unique_lock lock(mutex_);
    reading_ = true;
    while (done < count) {
        if (!WaitForSegment(lock, whileWaiting)) {
            if (done > 0) {
                throw EStreamError("A compression job ended in the middle of a record");
            }
            return false;
        }
        done += TakeFromFront(bytes + done, count - done, lock);
    }
    return true;
}

bool TJobLog::WaitForSegment(std::unique_lock<std::mutex>& lock, const TWaitRoutine& whileWaiting) {
    while (segments_.empty()) {
        if (closed_) {
            if (error_) {
                std::rethrow_exception(error_);
            }
            return false;
        }
        if (changed_.wait_for(lock, kReaderPatience) == std::cv_status::timeout) {
            lock.unlock();
            whileWaiting();
            lock.lock();
        }
    }
    return true;
}

size_t TJobLog::TakeFromFront(uint8_t* data, size_t count, std::unique_lock<std::mutex>& lock) {
    TSegment& front = segments_.front();
    size_t taken = 0;
    if (front.InFile()) {
        const int64_t offset = front.FileOffset;
        taken =
            static_cast<size_t>(std::min<int64_t>(front.FileLength, static_cast<int64_t>(count)));
        // The writer only appends behind this range, so it is read outside the lock.
        lock.unlock();
        if (!spillIn_) {
            spillIn_ = std::make_unique<TFileStream>(spillName_, TFileMode::OpenRead);
        }
        spillIn_->Seek(offset, soBeginning);
        const auto length = static_cast<int64_t>(taken);
        if (spillIn_->Read(data, length) != length) {
            throw EStreamError("A compression job's temporary file ended early");
        }
        lock.lock();
        TSegment& same = segments_.front();
        same.FileOffset += length;
        same.FileLength -= length;
        unreadInFile_ -= length;
        if (same.FileLength == 0) {
            segments_.pop_front();
        }
    } else {
        taken = std::min(front.Bytes.size() - front.Taken, count);
        std::memcpy(data, front.Bytes.data() + front.Taken, taken);
        front.Taken += taken;
        inMemory_ -= taken;
        if (front.Taken == front.Bytes.size()) {
            segments_.pop_front();
        }
    }
    changed_.notify_all();
    return taken;
}

void TJobLog::Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
}

}  // namespace mobrel
