// Faults injected into an extraction with the decoding on worker threads, each compared
// with the same fault under one thread: an output write that fails (cut short, refused as
// on a full disk, or throwing) at every write of every file, an exception from every event
// handler, and a cancel at every turn the run gives the user interface. The run ends with
// the error one thread ends with and leaves the files one thread leaves; no worker thread
// outlives it, and it returns at all.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "bounded_run.h"
#include "platform/engine_errors.h"
#include "platform/file_stream.h"
#include "platform/interactive_services.h"
#include "reader/un_zipper.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

enum class WriteFault { Short, Full, Throws };

// Which write of which file fails, and the writes each file got. Files are known by the
// order they are created in, which is the entries' order with any number of threads (a file
// replacing another may be written under a temporary name).
struct FaultPlan {
    std::string File;  // the output file's number in creation order
    int FailAt = -1;
    WriteFault Kind = WriteFault::Short;
    std::mutex Mutex;
    std::map<std::string, int> Writes;
};

// An output file whose writes reach the disk, or fail as the plan says. Written on the
// worker that decodes its entry.
class TFaultyFileStream : public TFileStream {
  public:
    TFaultyFileStream(const std::string& path, const std::string& name, FaultPlan& plan)
        : TFileStream(path, TFileMode::CreateNoFollow), name_(name), plan_(plan) {}
    ~TFaultyFileStream() override {
        std::lock_guard lock(plan_.Mutex);
        plan_.Writes[name_] = std::max(plan_.Writes[name_], writes_);
    }
    int64_t Write(const void* data, int64_t count) override {
        const int index = writes_++;
        if (name_ != plan_.File || index != plan_.FailAt) {
            return TFileStream::Write(data, count);
        }
        switch (plan_.Kind) {
            case WriteFault::Short:
                return TFileStream::Write(data, count / 2);
            case WriteFault::Full:
                errno = ENOSPC;
                return 0;
            case WriteFault::Throws:
                break;
        }
        throw EStreamError("Cannot write file \"" + FileName() + "\". Input/output error");
    }

  private:
    const std::string name_;
    FaultPlan& plan_;
    int writes_ = 0;
};

class TFaultyUnZipper : public TUnZipper {
  public:
    explicit TFaultyUnZipper(FaultPlan& plan) : plan_(plan) {}

  protected:
    std::unique_ptr<TFileStream> CreateOutputFileStream(const std::string& path) override {
        return std::make_unique<TFaultyFileStream>(path, std::to_string(created_++), plan_);
    }

  private:
    FaultPlan& plan_;
    int created_ = 0;
};

// Asks for a cancel at one turn of the user interface.
class TCancellingServices : public TInteractiveServices {
  public:
    TUnZipper* Target = nullptr;
    int CancelAt = -1;
    int Turns = 0;
    void ProcessMessages() override {
        if (Turns++ == CancelAt) {
            Target->SetCancelRequested(true);
        }
    }
};

constexpr time_t kUndatedAfter = 1700000000;  // November 2023

// Every file below root with its permissions, time and content. Folders are left out:
// preparing entries ahead makes the folders of entries one thread may not reach.
std::map<std::string, std::string> TreeOf(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        struct stat status {};
        EXPECT_EQ(lstat(item.path().c_str(), &status), 0);
        if (S_ISDIR(status.st_mode)) {
            continue;
        }
        std::string line = std::to_string(status.st_mode & 07777);
        {
            const auto bytes = test::ReadFileBytes(item.path());
            // The content by its size and hash keeps a failure's message short.
            // The entries are dated 2020; a file left undated has the time it was written.
            line +=
                std::string(status.st_mtim.tv_sec < kUndatedAfter ? " dated " : " undated ") +
                std::to_string(bytes.size()) + " bytes, hash " +
                std::to_string(std::hash<std::string>()(std::string(bytes.begin(), bytes.end())));
        }
        tree[item.path().lexically_relative(root).string()] = line;
    }
    return tree;
}

// What one run ended with.
struct Outcome {
    std::string Error;
    int Extracted = -1;
    std::vector<std::string> Finished;  // end, skip and CRC events, in order
    std::map<std::string, std::string> Tree;
    int Turns = 0;
};

using Arm = std::function<void(TUnZipper& zipper)>;

class ParallelExtractFault : public testing::Test {
  protected:
    // Files of one to four writes each (the output buffer takes 256 KiB), one of them in a
    // folder, and an encrypted one.
    static void SetUpTestSuite() {
        folder_ = new test::TempDir;
        const fs::path source = *folder_ / "source";
        fs::create_directories(source / "sub");
        std::string text;
        for (int i = 0; text.size() < 700000; ++i) {
            text += "line " + std::to_string(i * 7919 % 10007) + " of the text\n";
        }
        test::WriteFileText(source / "sub/long.txt", text);
        std::string noise;
        for (uint32_t seed = 1; noise.size() < 300000;) {
            seed = seed * 1103515245u + 12345u;
            noise.push_back(static_cast<char>(seed >> 16));
        }
        test::WriteFileText(source / "noise.bin", noise);
        for (int i = 0; i < 5; ++i) {
            test::WriteFileText(source / ("small" + std::to_string(i) + ".txt"),
                                text.substr(size_t(i) * 1000, 3000 + size_t(i) * 9000));
        }
        test::WriteFileText(source / "locked.txt", text.substr(0, 5000));
        test::WriteFileText(source / "tail.txt", text.substr(0, 400000));
        const std::string zip = test::ShellQuote(Archive().string());
        const auto made = test::RunCommand(
            "cd " + test::ShellQuote(source.string()) +
            " && touch -d '2020-01-02 03:04:05' *.* sub/* && zip -q -6 " + zip +
            " small0.txt sub/long.txt small1.txt noise.bin small2.txt small3.txt && zip -q -P "
            "secret " +
            zip + " locked.txt && zip -q -6 " + zip + " small4.txt tail.txt");
        ASSERT_EQ(made.ExitCode, 0) << made.Output;
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static fs::path Archive() { return *folder_ / "faults.zip"; }

    // One extraction with threads into a fresh folder, a fault planned and arm's handlers.
    Outcome Extract(int threads, FaultPlan& plan, const Arm& arm = nullptr, int cancelAt = -1) {
        const fs::path dest = temp_ / ("out" + std::to_string(++runs_));
        fs::create_directories(dest / "sub");
        if (olderCopies_) {
            for (const char* name : kFileNames) {
                test::WriteFileText(dest / name, "an older copy");
            }
        }
        Outcome outcome;
        const int threadsBefore = test::ThreadCount();
        test::RunBounded("an extraction with " + std::to_string(threads) + " threads", [&] {
            TFaultyUnZipper zipper(plan);
            TCancellingServices services;
            services.Target = &zipper;
            services.CancelAt = cancelAt;
            InstallServices(&services);
            zipper.SetZipName(Archive().string());
            zipper.SetDestDir(dest.string());
            zipper.SetThreads(threads);
            zipper.SetDoAll(true);
            zipper.SetRecreateDirs(true);
            zipper.SetPassword("secret");
            zipper.SetOverwriteMode(TUZOverwriteMode::Always);
            Record(zipper, outcome);
            if (arm) {
                arm(zipper);
            }
            try {
                outcome.Extracted = zipper.UnZip();
            } catch (const std::exception& error) {
                outcome.Error = error.what();
            }
            InstallServices(nullptr);
            outcome.Turns = services.Turns;
            // The destination differs between the runs compared.
            for (size_t at; (at = outcome.Error.find(dest.string())) != std::string::npos;) {
                outcome.Error.replace(at, dest.string().size(), "DEST");
            }
            EXPECT_FALSE(zipper.Busy());
        });
        test::ExpectThreadCountBackTo(threadsBefore);
        outcome.Tree = TreeOf(dest);
        return outcome;
    }

    static void Record(TUnZipper& zipper, Outcome& outcome) {
        zipper.OnEndUnZip = [&outcome](TUnZipper&, int i, const std::string&) {
            outcome.Finished.push_back("end " + std::to_string(i));
        };
        zipper.OnSkippingFile = [&outcome](TUnZipper&, TSkipReason reason, const std::string&,
                                           int i, bool&) {
            outcome.Finished.push_back("skip " + std::to_string(i) + " " +
                                       std::to_string(int(reason)));
        };
        zipper.OnBadCRC = [&outcome](TUnZipper&, uint32_t, uint32_t, int i) {
            outcome.Finished.push_back("badcrc " + std::to_string(i));
        };
    }

    static void ExpectSame(const Outcome& one, const Outcome& many) {
        EXPECT_EQ(many.Error, one.Error);
        EXPECT_EQ(many.Extracted, one.Extracted);
        EXPECT_EQ(many.Finished, one.Finished);
        EXPECT_EQ(many.Tree, one.Tree);
    }

    // A file the disk cut short is removed. One thread has already truncated the older
    // copy it replaces; a file decoded ahead was written under a temporary name and that
    // copy stays. Otherwise the outcomes are one thread's.
    Outcome KeepingOlderCopyOfCutFile(Outcome one, const Outcome& many) {
        const fs::path sample = temp_ / "older";
        fs::create_directories(sample);
        test::WriteFileText(sample / "copy", "an older copy");
        const std::string olderLine = TreeOf(sample).at("copy");
        fs::remove_all(sample);
        for (const char* name : kFileNames) {
            const auto kept = many.Tree.find(name);
            if (!one.Tree.contains(name) && kept != many.Tree.end() && kept->second == olderLine) {
                one.Tree[name] = olderLine;
            }
        }
        return one;
    }

    // The file being written when the run ended is left undated either way; how much of it
    // was written depends on where the decode was, which differs with workers.
    static void ExpectSameButTheInterruptedFile(Outcome one, Outcome many) {
        for (auto* tree : {&one.Tree, &many.Tree}) {
            for (auto& [name, line] : *tree) {
                if (line.find(" undated ") != std::string::npos) {
                    line = line.substr(0, line.find(" undated ")) + " undated";
                }
            }
        }
        ExpectSame(one, many);
    }

    static constexpr const char* kFileNames[] = {"small0.txt", "sub/long.txt", "small1.txt",
                                                 "noise.bin",  "small2.txt",   "small3.txt",
                                                 "locked.txt", "small4.txt",   "tail.txt"};

    test::TempDir temp_;
    int runs_ = 0;
    // The destination holds an older copy of every file, all replaced (the entries decoded
    // ahead of a failure must leave theirs as they were).
    bool olderCopies_ = false;
    static test::TempDir* folder_;
};

test::TempDir* ParallelExtractFault::folder_ = nullptr;

constexpr int kThreads = 3;

// Into an empty folder, and over older copies of every file.
TEST_F(ParallelExtractFault, AnOutputWriteFailingAtEveryWriteEndsTheRunAsWithOneThread) {
    int positions = 0;
    for (const bool older : {false, true}) {
        SCOPED_TRACE(older ? "over older copies" : "into an empty folder");
        olderCopies_ = older;
        FaultPlan clean;
        const Outcome whole = Extract(1, clean);
        ASSERT_EQ(whole.Error, "");
        ASSERT_EQ(whole.Extracted, 9);
        const std::map<std::string, int> writes = clean.Writes;
        for (const WriteFault kind : {WriteFault::Short, WriteFault::Full, WriteFault::Throws}) {
            for (const auto& [file, count] : writes) {
                for (int failAt = 0; failAt < count; ++failAt) {
                    SCOPED_TRACE("file " + file + " write " + std::to_string(failAt) + " fault " +
                                 std::to_string(int(kind)));
                    FaultPlan plan;
                    plan.File = file;
                    plan.FailAt = failAt;
                    plan.Kind = kind;
                    const Outcome one = Extract(1, plan);
                    // The fault either ends the run or skips its entry; never a whole file.
                    EXPECT_TRUE(!one.Error.empty() || one.Extracted < whole.Extracted);
                    const Outcome many = Extract(kThreads, plan);
                    ExpectSame(older ? KeepingOlderCopyOfCutFile(one, many) : one, many);
                    ++positions;
                    if (HasFailure()) {
                        return;
                    }
                }
            }
        }
    }
    std::cout << "output write fault at each of " << positions << " positions (three kinds)\n";
}

TEST_F(ParallelExtractFault, AnExceptionFromEveryHandlerEndsTheRunAsWithOneThread) {
    auto fail = [] { throw std::runtime_error("handler failed"); };
    // Each handler throws at one call: the first, or one well into the run.
    const auto nth = [fail](int n) {
        auto calls = std::make_shared<int>(0);
        return [=] {
            if (++*calls == n) {
                fail();
            }
        };
    };
    std::vector<std::pair<std::string, Arm>> handlers = {
        {"OnStartUnZipInfo",
         [=](TUnZipper& z) {
             z.OnStartUnZipInfo = [=](TUnZipper&, int, int64_t, bool&) { fail(); };
         }},
        {"OnUnZipComplete",
         [=](TUnZipper& z) { z.OnUnZipComplete = [=](TUnZipper&, int) { fail(); }; }},
        {"OnBadPassword",
         [=](TUnZipper& z) {
             z.SetPassword("wrong");
             z.OnBadPassword = [=](TUnZipper&, int, std::string&) { fail(); };
         }},
        {"OnSkippingFile",
         [=](TUnZipper& z) {
             z.SetPassword("wrong");
             z.OnSkippingFile = [=](TUnZipper&, TSkipReason, const std::string&, int, bool&) {
                 fail();
             };
         }},
    };
    for (const int n : {1, 2, 5, 8}) {
        const std::string at = " at call " + std::to_string(n);
        handlers.push_back({"OnStartUnZip" + at, [=](TUnZipper& z) {
                                z.OnStartUnZip = [f = nth(n)](TUnZipper&, int, std::string&,
                                                              bool&) { f(); };
                            }});
        handlers.push_back({"OnEndUnZip" + at, [=](TUnZipper& z) {
                                z.OnEndUnZip = [f = nth(n)](TUnZipper&, int, const std::string&) {
                                    f();
                                };
                            }});
        handlers.push_back({"OnPromptForOverwrite" + at, [=](TUnZipper& z) {
                                z.SetOverwriteMode(TUZOverwriteMode::Prompt);
                                fs::create_directories(fs::path(z.DestDir()) / "sub");
                                for (const char* name :
                                     {"small0.txt", "sub/long.txt", "small1.txt", "noise.bin",
                                      "small2.txt", "small3.txt", "locked.txt", "small4.txt"}) {
                                    test::WriteFileText(fs::path(z.DestDir()) / name, "old");
                                }
                                z.OnPromptForOverwrite = [f = nth(n)](TUnZipper&, bool& replace,
                                                                      int, std::string&) {
                                    replace = true;
                                    f();
                                };
                            }});
    }
    // A progress handler's exception inside a decoder ends the run too, never taken for
    // damaged data.
    for (const int n : {1, 2, 5, 8}) {
        const std::string at = " at call " + std::to_string(n);
        handlers.push_back({"OnFilePercentDone" + at, [=](TUnZipper& z) {
                                z.OnFilePercentDone = [f = nth(n)](TUnZipper&, int) { f(); };
                            }});
        handlers.push_back({"OnTotalPercentDone" + at, [=](TUnZipper& z) {
                                z.OnTotalPercentDone = [f = nth(n)](TUnZipper&, int) { f(); };
                            }});
    }
    for (const auto& [name, arm] : handlers) {
        SCOPED_TRACE(name);
        FaultPlan none;
        const Outcome one = Extract(1, none, arm);
        EXPECT_EQ(one.Error, "handler failed");
        ExpectSameButTheInterruptedFile(one, Extract(kThreads, none, arm));
        if (HasFailure()) {
            return;
        }
    }
    std::cout << "handler exceptions: " << handlers.size() << " cases\n";
}

// Turns come at every block read and, with workers, while the caller waits for them, so
// their number differs between the two: the run is compared as one thread leaves a
// cancelled run, entries in order, all complete but the last.
TEST_F(ParallelExtractFault, ACancelAtEveryTurnLeavesWhatACancelLeavesWithOneThread) {
    FaultPlan none;
    const Outcome whole = Extract(1, none);
    int turns = 0;
    for (int cancelAt = 0;; ++cancelAt) {
        SCOPED_TRACE("cancel at turn " + std::to_string(cancelAt));
        const Outcome many = Extract(kThreads, none, nullptr, cancelAt);
        if (many.Error.empty()) {
            EXPECT_EQ(many.Tree, whole.Tree);
            break;
        }
        EXPECT_EQ(many.Error, "User Aborted Operation");
        // Every file left is the whole file, dated, but for at most one cut short.
        int partial = 0;
        for (const auto& [name, line] : many.Tree) {
            if (whole.Tree.at(name) != line) {
                ++partial;
            }
        }
        EXPECT_LE(partial, 1);
        ++turns;
        if (HasFailure() || cancelAt > 100000) {
            return;
        }
    }
    std::cout << "cancel at each of " << turns << " turns\n";
}

}  // namespace
}  // namespace mobrel
