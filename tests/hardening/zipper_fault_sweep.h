#pragma once
// Faults injected into an archive update, with one thread or several: a write of the new
// archive that fails (cut short or throwing) at each position, a cancel at each turn the
// operation gives the user interface, and an exception from each event handler. After
// each, the old archive is there byte for byte (or, once the new one is in place, the
// complete new one), no temporary file is left in the output folder or the temporary
// folder, no thread outlives the operation and the operation returned at all.
#include <atomic>
#include <string>
#include <vector>

#include "test_support.h"
#include "writer/parallel_zip_test_support.h"

namespace mobrel::test {

// How far an update gets: the small one adds three files to three old entries. The large
// one, for several threads, also adds a file stored beyond the memory a compression job
// may hold, behind a file its worker holds back until that job has spilled to a temporary
// file, and a dozen small files the workers take on meanwhile.
enum class FaultScene { Small, Large };

class ZipperFaultSweep {
  public:
    ZipperFaultSweep(FaultScene scene, int threads);

    // Each sweep prints what it covered and returns the number of faulted runs.
    // positionsCap: all positions up to the count of a clean run when 0, else about this
    // many of them, always the first few and the last few.
    int SweepWriteFaults(bool throws, int positionsCap = 0);
    int SweepCancels(int positionsCap = 0);
    int SweepHandlerExceptions();
    // Whether a compression job spilled to a temporary file in any run so far.
    bool SpillSeen() const { return spillSeen_; }

  private:
    void Prepare(TParallelTestZipper& zipper);
    void ExpectOldArchiveAndNoTemporaryFile(bool mayBeNew = false);
    void ExpectCompleteUpdate();
    void RestoreOldArchive() { WriteFileBytes(archive_, before_); }
    std::vector<int> Positions(int count, int cap) const;
    // Writes and turns of a run without a fault.
    int CleanRunWrites();
    int CleanRunTurns();

    const FaultScene scene_;
    const int threads_;
    TempDir dir_;
    std::filesystem::path temp_;
    std::string archive_;
    std::vector<std::string> files_;
    std::vector<uint8_t> before_;
    // The held-back file goes on once a spill file shows or a fault is injected.
    std::atomic<bool> faultInjected_ = false;
    std::atomic<bool> spillSeen_ = false;
};

}  // namespace mobrel::test
