#pragma once
// Helpers for the tests of compressing ahead on worker threads: a zipper whose source
// files can be made to fail or wait on workers only, a record of every event it fires,
// and zipping the same thing with several thread counts.
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "writer/zipper.h"

namespace mobrel::test {

// A zipper that opens the files named by these suffixes ("/locked.txt") in special ways.
class TParallelTestZipper : public TZipper {
  public:
    std::string Locked;        // no thread opens it
    std::string WorkerLocked;  // only the thread that made the zipper opens it
    std::string Failing;       // a read fails after the first 64 KiB
    std::string Slow;          // on workers, the first read waits until SlowUntil() (30 s at most)
    std::function<bool()> SlowUntil;

  protected:
    std::unique_ptr<TStream> OpenSourceFile(const std::string& fileName) override;

  private:
    const std::thread::id caller_ = std::this_thread::get_id();
};

// Every event of a run, one line each with its arguments, and whether one fired on another
// thread than the one that set the handlers.
struct EventRecord {
    std::vector<std::string> Lines;
    bool OffCaller = false;
};
void RecordEvents(TZipper& zipper, EventRecord& record);

// The files of a folder by name, and the events of the run that wrote them.
struct ZipRun {
    std::map<std::string, std::vector<uint8_t>> Files;
    std::vector<std::string> Events;
};
using ZipSetup = std::function<void(TParallelTestZipper& zipper)>;
using ZipOperation = std::function<void(TParallelTestZipper& zipper, const std::string& archive)>;

// Zips with the thread count into folder/name (a fresh folder), after setup.
ZipRun ZipWithThreads(int threads, const std::filesystem::path& folder, const std::string& name,
                      const ZipSetup& setup, const ZipOperation& operation = nullptr);
// The output and the events of threads 2, 3 and 0 are those of a single thread.
void ExpectSameWithAnyThreadCount(const std::filesystem::path& scratch, const std::string& name,
                                  const ZipSetup& setup, const ZipOperation& operation = nullptr);
void ExpectSameEvents(const std::vector<std::string>& expected,
                      const std::vector<std::string>& actual);

// A text that compresses well followed by random bytes: about a quarter of it compresses.
std::string MixedBytes(size_t size, uint32_t seed);
// Whether a job's temporary file is in folder.
bool HasSpillFile(const std::filesystem::path& folder);

}  // namespace mobrel::test
