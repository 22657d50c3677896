#pragma once
// Runs an operation of a fault test so that a deadlock fails the test instead of hanging
// it, and checks that the operation left no thread of its own behind.
#include <functional>
#include <string>

namespace mobrel::test {

// Runs operation on a thread of its own and waits for it. An operation that has not
// returned after a minute is taken for a deadlock: the test names it and ends the process,
// as there is no way to stop the stuck thread. Exceptions escaping operation fail the test.
void RunBounded(const std::string& what, const std::function<void()>& operation);

// The process runs threadsBefore threads again. A thread joined a moment ago may still be
// listed while the system tears it down, so the count gets a moment to settle.
void ExpectThreadCountBackTo(int threadsBefore);

}  // namespace mobrel::test
