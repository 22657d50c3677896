#include "hardening/zipper_fault_sweep.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <set>
#include <stdexcept>

#include "bounded_run.h"
#include "platform/engine_errors.h"
#include "platform/file_stream.h"
#include "platform/interactive_services.h"
#include "writer/zipper.h"
#include "writer/zipper_test_support.h"

namespace mobrel::test {

namespace {

namespace fs = std::filesystem;

// The archive's file through which every write goes; write number failAt (0-based) is cut
// short, or throws, as a full disk or a failing device would.
class TFaultyStream : public TStream {
  public:
    TFaultyStream(const std::string& name, int failAt, bool throws, int& writes,
                  std::atomic<bool>& injected)
        : file_(name, TFileMode::Create),
          failAt_(failAt),
          throws_(throws),
          writes_(writes),
          injected_(injected) {}
    int64_t Read(void* data, int64_t count) override { return file_.Read(data, count); }
    int64_t Write(const void* data, int64_t count) override {
        if (writes_++ == failAt_) {
            injected_ = true;
            if (throws_) {
                throw EStreamError("Stream write error");
            }
            return file_.Write(data, count / 2);
        }
        return file_.Write(data, count);
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override { return file_.Seek(offset, origin); }
    void SetSize(int64_t size) override { file_.SetSize(size); }

  private:
    TFileStream file_;
    int failAt_;
    bool throws_;
    int& writes_;
    std::atomic<bool>& injected_;
};

class TFaultyZipper : public TParallelTestZipper {
  public:
    explicit TFaultyZipper(std::atomic<bool>& injected) : injected_(injected) {}
    int FailAt = -1;
    bool Throws = false;
    int Writes = 0;

  protected:
    std::unique_ptr<TStream> CreateOutputFile(const std::string& fileName) override {
        return std::make_unique<TFaultyStream>(fileName, FailAt, Throws, Writes, injected_);
    }

  private:
    std::atomic<bool>& injected_;
};

// Counts the turns the operation gives the user interface and asks to cancel at one.
class TCancellingServices : public TInteractiveServices {
  public:
    TZipper* Target = nullptr;
    int CancelAt = -1;
    int Turns = 0;
    std::atomic<bool>* Injected = nullptr;
    void ProcessMessages() override {
        if (Turns++ == CancelAt) {
            *Injected = true;
            Target->SetCancelRequested(true);
        }
    }
};

// Installs services for one scope, on whichever thread runs the operation.
class TServicesScope {
  public:
    explicit TServicesScope(TInteractiveServices& services) { InstallServices(&services); }
    ~TServicesScope() { InstallServices(nullptr); }
    TServicesScope(const TServicesScope&) = delete;
    TServicesScope& operator=(const TServicesScope&) = delete;
};

constexpr size_t kSmallEntries = 5;
constexpr size_t kLargeExtraEntries = 14;  // the held-back file, the spilled one, twelve small

}  // namespace

ZipperFaultSweep::ZipperFaultSweep(FaultScene scene, int threads)
    : scene_(scene), threads_(threads), temp_(dir_ / "tmp") {
    MakeFile(dir_.Path(), "old/a.txt", CompressibleText(3000));
    MakeFile(dir_.Path(), "old/b.bin", RandomBytes(2000, 7));
    MakeFile(dir_.Path(), "old/c.txt", "c");
    fs::create_directory(temp_);
    archive_ = (dir_ / "archive.zip").string();
    TZipper zipper;
    zipper.SetZipName(archive_);
    zipper.FilesList() = {(dir_ / "old/*").string()};
    EXPECT_EQ(zipper.Zip(), 3);
    before_ = ReadFileBytes(archive_);
    const std::string newer = MakeFile(dir_.Path(), "new/a.txt", "a newer a");
    SetFileTime(newer, 2000000000);
    files_ = {newer, MakeFile(dir_.Path(), "new/big.bin", RandomBytes(300000, 8)),
              MakeFile(dir_.Path(), "new/small.bin", RandomBytes(3000, 9))};
    if (scene_ == FaultScene::Large) {
        files_.push_back(MakeFile(dir_.Path(), "new/head.txt", CompressibleText(200000)));
        // Beyond the memory a job holds while its turn has not come: the rest spills.
        files_.push_back(MakeFile(dir_.Path(), "new/spill.jpg", RandomBytes(9 << 20, 10)));
        for (int i = 0; i < 12; ++i) {
            files_.push_back(MakeFile(dir_.Path(), "new/f" + std::to_string(i) + ".txt",
                                      CompressibleText(20000 + 1000 * size_t(i))));
        }
    }
}

void ZipperFaultSweep::Prepare(TParallelTestZipper& zipper) {
    faultInjected_ = false;
    zipper.SetZipName(archive_);
    zipper.SetTempPath(temp_.string());
    zipper.SetZipAction(zaUpdate);
    zipper.SetThreads(threads_);
    zipper.SetNoCompressList({"*.jpg"});
    zipper.ReadZip();
    zipper.FilesList() = files_;
    if (scene_ == FaultScene::Large) {
        zipper.Slow = "/head.txt";
        zipper.SlowUntil = [this] {
            if (HasSpillFile(temp_)) {
                spillSeen_ = true;
                return true;
            }
            return faultInjected_.load();
        };
    }
}

void ZipperFaultSweep::ExpectOldArchiveAndNoTemporaryFile(bool mayBeNew) {
    const std::vector<uint8_t> now = ReadFileBytes(archive_);
    if (now != before_) {
        EXPECT_TRUE(mayBeNew) << "the old archive changed";
        ExpectPeersAccept(archive_);
    }
    EXPECT_EQ(FilesIn(temp_), std::vector<std::string>{});
    std::vector<std::string> beside = FilesIn(dir_.Path());
    std::sort(beside.begin(), beside.end());
    EXPECT_EQ(beside, (std::vector<std::string>{"archive.zip", "new", "old", "tmp"}));
}

void ZipperFaultSweep::ExpectCompleteUpdate() {
    const size_t expected = kSmallEntries + (scene_ == FaultScene::Large ? kLargeExtraEntries : 0);
    EXPECT_EQ(PythonNames(archive_).size(), expected);
    ExpectPeersAccept(archive_);
    ExpectOldArchiveAndNoTemporaryFile(true);
    RestoreOldArchive();
}

std::vector<int> ZipperFaultSweep::Positions(int count, int cap) const {
    std::set<int> chosen;
    for (int i = 0; i < std::min(count, 4); ++i) {
        chosen.insert(i);
        chosen.insert(std::max(0, count - 1 - i));
    }
    const int spread = std::max(cap - 8, 1);
    for (int i = 1; i <= spread; ++i) {
        chosen.insert(count * i / (spread + 1));
    }
    chosen.insert(count);  // past the last: the update goes through
    return {chosen.begin(), chosen.end()};
}

int ZipperFaultSweep::CleanRunWrites() {
    int writes = 0;
    RunBounded("a clean update", [&] {
        TFaultyZipper zipper(faultInjected_);
        Prepare(zipper);
        zipper.Zip();
        writes = zipper.Writes;
    });
    RestoreOldArchive();
    return writes;
}

int ZipperFaultSweep::CleanRunTurns() {
    int turns = 0;
    RunBounded("a clean update", [&] {
        TCancellingServices services;
        services.Injected = &faultInjected_;
        TServicesScope installed(services);
        TParallelTestZipper zipper;
        services.Target = &zipper;
        Prepare(zipper);
        zipper.Zip();
        turns = services.Turns;
    });
    RestoreOldArchive();
    return turns;
}

int ZipperFaultSweep::SweepWriteFaults(bool throws, int positionsCap) {
    const std::string kind = throws ? "exception" : "short write";
    const std::vector<int> sample =
        positionsCap > 0 ? Positions(CleanRunWrites(), positionsCap) : std::vector<int>{};
    const int threadsBefore = ThreadCount();
    int faulted = 0;
    for (size_t step = 0; positionsCap == 0 || step < sample.size(); ++step) {
        const int failAt = positionsCap > 0 ? sample[step] : static_cast<int>(step);
        SCOPED_TRACE("write " + std::to_string(failAt) + " fails: " + kind);
        bool completed = false;
        RunBounded("an update whose write " + std::to_string(failAt) + " fails", [&] {
            TFaultyZipper zipper(faultInjected_);
            Prepare(zipper);
            zipper.FailAt = failAt;
            zipper.Throws = throws;
            try {
                zipper.Zip();
            } catch (const ENotEnoughRoom&) {
                EXPECT_FALSE(throws);
            } catch (const EStreamError& error) {
                EXPECT_TRUE(throws) << error.what();
            }
            EXPECT_FALSE(zipper.Busy());
            // Every write came before the fault: the update went through.
            completed = zipper.Writes <= failAt;
        });
        ExpectThreadCountBackTo(threadsBefore);
        if (completed) {
            ExpectCompleteUpdate();
            break;
        }
        ExpectOldArchiveAndNoTemporaryFile();
        ++faulted;
        if (::testing::Test::HasFailure() || failAt >= 100000) {
            break;
        }
    }
    std::cout << "threads " << threads_ << ": write fault (" << kind << ") at each of " << faulted
              << " positions\n";
    return faulted;
}

int ZipperFaultSweep::SweepCancels(int positionsCap) {
    const std::vector<int> sample =
        positionsCap > 0 ? Positions(CleanRunTurns(), positionsCap) : std::vector<int>{};
    const int threadsBefore = ThreadCount();
    int faulted = 0;
    for (size_t step = 0; positionsCap == 0 || step < sample.size(); ++step) {
        const int cancelAt = positionsCap > 0 ? sample[step] : static_cast<int>(step);
        SCOPED_TRACE("cancel at turn " + std::to_string(cancelAt));
        bool completed = false;
        RunBounded("an update cancelled at turn " + std::to_string(cancelAt), [&] {
            TCancellingServices services;
            services.Injected = &faultInjected_;
            services.CancelAt = cancelAt;
            TServicesScope installed(services);
            TParallelTestZipper zipper;
            services.Target = &zipper;
            Prepare(zipper);
            try {
                zipper.Zip();
                EXPECT_LE(services.Turns, cancelAt);
                completed = true;
            } catch (const EUserCanceled& error) {
                EXPECT_STREQ(error.what(), "User Aborted Operation");
                EXPECT_FALSE(zipper.CancelRequested());
            }
            EXPECT_FALSE(zipper.Busy());
        });
        ExpectThreadCountBackTo(threadsBefore);
        if (completed) {
            ExpectCompleteUpdate();
            break;
        }
        ExpectOldArchiveAndNoTemporaryFile();
        ++faulted;
        if (::testing::Test::HasFailure() || cancelAt >= 100000) {
            break;
        }
    }
    std::cout << "threads " << threads_ << ": cancel at each of " << faulted << " turns\n";
    return faulted;
}

// Every handler the update raises, each made to throw in turn: at its first call, or in
// the large update for the handlers that fire while files are compressed, at its first
// call once a job has spilled.
int ZipperFaultSweep::SweepHandlerExceptions() {
    using Arm = std::function<void(TZipper&, const std::function<void()>& fail)>;
    struct Handler {
        std::string Name;
        bool WhileCompressing;
        Arm Set;
    };
    const std::vector<Handler> handlers = {
        {"OnStartZipInfo", false,
         [](TZipper& z, auto fail) {
             z.OnStartZipInfo = [=](TZipper&, int, int64_t, TEndCentral&, bool&) { fail(); };
         }},
        {"OnStartZip", true,
         [](TZipper& z, auto fail) {
             z.OnStartZip = [=](TZipper&, const std::string&, TZipHeaderInfo&, bool&) { fail(); };
         }},
        {"OnEndZip", true,
         [](TZipper& z, auto fail) {
             z.OnEndZip = [=](TZipper&, const std::string&, int64_t, int64_t, int64_t) { fail(); };
         }},
        {"OnUpdate", false,
         [](TZipper& z, auto fail) { z.OnUpdate = [=](TZipper&, TUpdateAction, int) { fail(); }; }},
        {"OnFilePercentDone", true,
         [](TZipper& z, auto fail) { z.OnFilePercentDone = [=](TUnZipper&, int) { fail(); }; }},
        {"OnTotalPercentDone", true,
         [](TZipper& z, auto fail) { z.OnTotalPercentDone = [=](TUnZipper&, int) { fail(); }; }},
        {"OnNoSuchFile", false,
         [](TZipper& z, auto fail) {
             z.FilesList().push_back("/no/such/file.txt");
             z.OnNoSuchFile = [=](TZipper&, const std::string&) { fail(); };
         }},
        {"OnNoFileMatches", false,
         [](TZipper& z, auto fail) {
             z.FilesList().push_back("/no/such/folder/*.txt");
             z.OnNoFileMatches = [=](TZipper&, const std::string&) { fail(); };
         }},
        {"OnRecursingFile", false,
         [](TZipper& z, auto fail) {
             z.FilesList().push_back((fs::path(z.ZipName()).parent_path() / "new/*.bin").string());
             z.SetRecurse(true);
             z.OnRecursingFile = [=](TZipper&, const std::string&) { fail(); };
         }},
        {"OnDisposeFile", false,
         [](TZipper& z, auto fail) {
             z.SetDispose(true);
             z.OnDisposeFile = [=](TZipper&, const std::string&, bool& skip) {
                 skip = true;
                 fail();
             };
         }},
        {"OnZipComplete", false,
         [](TZipper& z, auto fail) { z.OnZipComplete = [=](TZipper&, int) { fail(); }; }},
    };
    const int threadsBefore = ThreadCount();
    for (const Handler& handler : handlers) {
        SCOPED_TRACE(handler.Name);
        const bool waitForSpill = handler.WhileCompressing && scene_ == FaultScene::Large;
        RunBounded("an update whose " + handler.Name + " throws", [&] {
            TParallelTestZipper zipper;
            Prepare(zipper);
            handler.Set(zipper, [this, waitForSpill] {
                if (waitForSpill && !spillSeen_) {
                    return;
                }
                faultInjected_ = true;
                throw std::runtime_error("handler failed");
            });
            EXPECT_THROW(zipper.Zip(), std::runtime_error);
            EXPECT_TRUE(zipper.FilesList().empty());
            EXPECT_FALSE(zipper.Busy());
        });
        ExpectThreadCountBackTo(threadsBefore);
        const bool replaced = ReadFileBytes(archive_) != before_;
        std::cout << "threads " << threads_ << ": handler " << handler.Name
                  << " throwing: " << (replaced ? "new archive complete" : "old archive kept")
                  << "\n";
        ExpectOldArchiveAndNoTemporaryFile(handler.Name == "OnDisposeFile" ||
                                           handler.Name == "OnZipComplete");
        RestoreOldArchive();
    }
    return static_cast<int>(handlers.size());
}

}  // namespace mobrel::test
