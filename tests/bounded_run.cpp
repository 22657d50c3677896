#include "bounded_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <iostream>
#include <thread>

#include "test_support.h"

namespace mobrel::test {

namespace {

// Far beyond what any fault test's operation takes, even under the sanitizers.
constexpr std::chrono::seconds kDeadlockLimit{60};

}  // namespace

void RunBounded(const std::string& what, const std::function<void()>& operation) {
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    std::thread runner([&] {
        try {
            operation();
        } catch (const std::exception& error) {
            ADD_FAILURE() << what << " let an exception escape: " << error.what();
        }
        done.set_value();
    });
    if (finished.wait_for(kDeadlockLimit) != std::future_status::ready) {
        std::cerr << what << " has not returned after " << kDeadlockLimit.count()
                  << " s: it is taken for a deadlock, and the test program ends here" << std::endl;
        std::abort();
    }
    runner.join();
}

void ExpectThreadCountBackTo(int threadsBefore) {
    for (int attempt = 0; attempt < 200 && ThreadCount() != threadsBefore; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(ThreadCount(), threadsBefore) << "a thread outlived the operation";
}

}  // namespace mobrel::test
