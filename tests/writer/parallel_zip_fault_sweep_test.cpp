// The fault sweeps of an archive update, with the files compressed ahead on worker threads:
// every position for the small update, a sample of positions spread over the large one, in
// which a job spills to a temporary file. Each run leaves the old archive byte for byte, no
// temporary file, no worker thread, and returns.
#include <gtest/gtest.h>

#include "hardening/zipper_fault_sweep.h"

namespace mobrel {
namespace {

using test::FaultScene;
using test::ZipperFaultSweep;

// About this many positions of the large update are swept, of about a hundred and fifty.
constexpr int kLargeSample = 14;

TEST(ParallelFaultSweep, AWriteFailingAtEveryPositionLeavesTheOldArchive) {
    ZipperFaultSweep small(FaultScene::Small, 4);
    ZipperFaultSweep large(FaultScene::Large, 3);
    for (const bool throws : {false, true}) {
        EXPECT_GT(small.SweepWriteFaults(throws), 5);
        EXPECT_GT(large.SweepWriteFaults(throws, kLargeSample), kLargeSample / 2);
    }
    EXPECT_TRUE(large.SpillSeen());
}

TEST(ParallelFaultSweep, ACancelAtEveryTurnOfTheUserInterfaceLeavesTheOldArchive) {
    ZipperFaultSweep small(FaultScene::Small, 4);
    EXPECT_GT(small.SweepCancels(), 5);
    ZipperFaultSweep large(FaultScene::Large, 3);
    EXPECT_GT(large.SweepCancels(kLargeSample), kLargeSample / 2);
    EXPECT_TRUE(large.SpillSeen());
}

TEST(ParallelFaultSweep, AnExceptionFromEveryHandlerLeavesTheOldArchive) {
    ZipperFaultSweep small(FaultScene::Small, 4);
    small.SweepHandlerExceptions();
    ZipperFaultSweep large(FaultScene::Large, 3);
    large.SweepHandlerExceptions();
    EXPECT_TRUE(large.SpillSeen());
}

}  // namespace
}  // namespace mobrel
