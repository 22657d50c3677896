// Operations that fail while workers compress ahead (cancel, a handler's exception, a
// failing read) leave what they leave with a single thread: the old archive byte for
// byte, no temporary file, and no worker thread left running.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "platform/engine_errors.h"
#include "test_support.h"
#include "writer/multi_disk_test_support.h"
#include "writer/parallel_zip_test_support.h"
#include "writer/zipper.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::TParallelTestZipper;

// An archive of two entries and twenty files to add, the first slow on the workers until a
// 12 MiB file behind it has gone to a temporary file.
struct Scene {
    TempDir Dir;
    std::string Archive, Temp;
    std::vector<uint8_t> Before;
    std::vector<std::string> Files;

    Scene() {
        test::MakeFile(Dir.Path(), "old/one.txt", test::CompressibleText(5000));
        test::MakeFile(Dir.Path(), "old/two.bin", test::RandomBytes(5000, 1));
        Files.push_back(test::MakeFile(Dir.Path(), "new/head.txt", test::CompressibleText(9000)));
        Files.push_back(test::MakeFile(Dir.Path(), "new/big.bin", test::MixedBytes(12 << 20, 2)));
        for (int i = 0; i < 20; ++i) {
            const std::string name = "new/file" + std::to_string(i) + ".dat";
            Files.push_back(test::MakeFile(Dir.Path(), name, test::MixedBytes(100000, 10 + i)));
        }
        Temp = (Dir / "tmp").string();
        fs::create_directory(Temp);
        Archive = (Dir / "archive.zip").string();
        TZipper zipper;
        zipper.SetZipName(Archive);
        zipper.FilesList() = {(Dir / "old/*").string()};
        EXPECT_EQ(zipper.Zip(), 2);
        Before = test::ReadFileBytes(Archive);
    }

    void Prepare(TParallelTestZipper& zipper) const {
        zipper.SetZipName(Archive);
        zipper.SetTempPath(Temp);
        zipper.SetPackLevel(1);
        zipper.SetThreads(0);
        zipper.Slow = "/head.txt";
        zipper.SlowUntil = [this] { return test::HasSpillFile(Temp); };
        zipper.FilesList() = Files;
    }

    void ExpectNothingChanged(TZipper& zipper, int threadsBefore) const {
        EXPECT_EQ(test::ReadFileBytes(Archive), Before);
        EXPECT_TRUE(test::FilesIn(Temp).empty());
        EXPECT_FALSE(zipper.Busy());
        EXPECT_EQ(test::ThreadCount(), threadsBefore);
    }
};

TEST(ParallelFaults, ACancelOrAHandlerExceptionStopsTheWorkersAndLeavesNothing) {
    Scene scene;
    const int threadsBefore = test::ThreadCount();
    {
        SCOPED_TRACE("cancel while the big file comes out of its temporary file");
        TParallelTestZipper zipper;
        scene.Prepare(zipper);
        bool spillSeen = false;
        zipper.OnFilePercentDone = [&](TUnZipper& sender, int percent) {
            spillSeen = spillSeen || test::HasSpillFile(scene.Temp);
            if (spillSeen && percent > 10) {
                sender.SetCancelRequested(true);
            }
        };
        EXPECT_THROW(zipper.Zip(), EUserCanceled);
        EXPECT_TRUE(spillSeen);
        scene.ExpectNothingChanged(zipper, threadsBefore);
    }
    {
        SCOPED_TRACE("cancel while the worker waits for the caller to take its output");
        // Stored, the 12 MiB pass the memory limit long before the first event returns.
        TParallelTestZipper zipper;
        scene.Prepare(zipper);
        zipper.SetPackLevel(0);
        zipper.FilesList() = {scene.Files[1]};
        zipper.OnFilePercentDone = [](TUnZipper& sender, int) {
            if (!sender.CancelRequested()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                sender.SetCancelRequested(true);
            }
        };
        EXPECT_THROW(zipper.Zip(), EUserCanceled);
        scene.ExpectNothingChanged(zipper, threadsBefore);
    }
    {
        SCOPED_TRACE("an exception from OnEndZip");
        TParallelTestZipper zipper;
        scene.Prepare(zipper);
        int ended = 0;
        zipper.OnEndZip = [&](TZipper&, const std::string&, int64_t, int64_t, int64_t) {
            if (++ended == 5) {
                throw std::runtime_error("handler failed");
            }
        };
        EXPECT_THROW(zipper.Zip(), std::runtime_error);
        scene.ExpectNothingChanged(zipper, threadsBefore);
    }
    {
        SCOPED_TRACE("an exception from OnStartZip");
        TParallelTestZipper zipper;
        scene.Prepare(zipper);
        int started = 0;
        zipper.OnStartZip = [&](TZipper&, const std::string&, TZipHeaderInfo&, bool&) {
            if (++started == 20) {
                throw std::runtime_error("handler failed");
            }
        };
        EXPECT_THROW(zipper.Zip(), std::runtime_error);
        scene.ExpectNothingChanged(zipper, threadsBefore);
    }
}

TEST(ParallelFaults, AFailingReadEndsTheOperationAsWithOneThread) {
    Scene scene;
    const int threadsBefore = test::ThreadCount();
    std::vector<std::string> messages;
    std::vector<std::vector<std::string>> events;
    for (int threads : {1, 0}) {
        TParallelTestZipper zipper;
        scene.Prepare(zipper);
        zipper.SetThreads(threads);
        zipper.Failing = "/file3.dat";
        test::EventRecord record;
        test::RecordEvents(zipper, record);
        try {
            zipper.Zip();
            ADD_FAILURE() << "no error";
        } catch (const EStreamError& error) {
            messages.push_back(error.what());
        }
        events.push_back(record.Lines);
        EXPECT_FALSE(record.OffCaller);
        scene.ExpectNothingChanged(zipper, threadsBefore);
    }
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], messages[1]);
    test::ExpectSameEvents(events[0], events[1]);
}

TEST(ParallelFaults, SettingsChangedByOnStartZipAreHonoured) {
    // The jobs ahead were started with the old settings; the files reached after the
    // change are compressed as the handler asked.
    Scene scene;
    std::vector<test::ZipRun> runs;
    for (int threads : {1, 0}) {
        const auto setup = [&](TParallelTestZipper& zipper) {
            scene.Prepare(zipper);
            zipper.Slow.clear();
            zipper.FilesList().erase(zipper.FilesList().begin() + 1);  // the big file
            zipper.FilesList().resize(12);
            zipper.OnStartZip = [](TZipper& sender, const std::string& name, TZipHeaderInfo&,
                                   bool&) {
                if (name.ends_with("file4.dat")) {
                    sender.SetPackLevel(0);
                }
                if (name.ends_with("file7.dat")) {
                    sender.SetPackLevel(9);
                    sender.SetPassword("late");
                }
            };
        };
        runs.push_back(test::ZipWithThreads(threads, scene.Dir / ("out" + std::to_string(threads)),
                                            "changed.zip", setup));
    }
    // The password makes the last entries' bytes random: compare what extracts.
    const auto extract = [&](int threads) {
        const fs::path archive = scene.Dir / ("out" + std::to_string(threads)) / "changed.zip";
        return test::ContentsOf(test::ExtractWithPython(archive, "late"));
    };
    EXPECT_EQ(extract(0), extract(1));
    test::ExpectSameEvents(runs[0].Events, runs[1].Events);
}

}  // namespace
}  // namespace mobrel
