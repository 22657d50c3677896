#pragma once
// A cap on the size of every file this process (and a program it starts) writes: past it a
// write is short, as on a full disk, without root or a small file system to fill.
#include <sys/resource.h>

#include <csignal>

namespace mobrel::test {

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        // Ignored, the signal leaves the write to fail with EFBIG instead of ending us.
        savedSignal_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = saved_;
        lower.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, savedSignal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    void (*savedSignal_)(int) = nullptr;
};

}  // namespace mobrel::test
