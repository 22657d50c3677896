// Extraction and test with the decoding on worker threads give what one thread gives: the
// same files with the same dates and permissions, the same counts and the same events, the
// outcome events in entry order and every event on the caller's thread; a cancel, a new
// password after a bad CRC and a write failure end the run as with one thread.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "format/patched_archive.h"
#include "platform/engine_errors.h"
#include "reader/file_size_limit.h"
#include "reader/un_zipper.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

// One thread, two, and one per core (the default).
const int kThreadCounts[] = {1, 2, 0};

// Every name below root with its kind, permissions, modification time (not for folders,
// which the run only dates from folder entries) and content or link target.
std::map<std::string, std::string> TreeOf(const fs::path& root) {
    std::map<std::string, std::string> tree;
    if (!fs::exists(root)) {
        return tree;
    }
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        struct stat status {};
        EXPECT_EQ(lstat(item.path().c_str(), &status), 0);
        std::string line = std::to_string(status.st_mode & 07777);
        if (S_ISDIR(status.st_mode)) {
            line = "dir " + line;
        } else {
            line += " " + std::to_string(status.st_mtim.tv_sec) + "." +
                    std::to_string(status.st_mtim.tv_nsec) + " ";
            if (S_ISLNK(status.st_mode)) {
                line += "link " + fs::read_symlink(item.path()).string();
            } else {
                const auto bytes = test::ReadFileBytes(item.path());
                line += std::string(bytes.begin(), bytes.end());
            }
        }
        tree[item.path().lexically_relative(root).string()] = line;
    }
    return tree;
}

// What one run did: its result or error, and its events in the order they came.
struct RunRecord {
    int Extracted = -1;
    bool Tested = false;
    std::string Error;
    std::vector<std::string> Events;
    bool AllOnCaller = true;
    std::map<std::string, std::string> Tree;

    // The events that finish an entry, which must keep the order of the entries.
    std::vector<std::string> Outcomes() const {
        std::vector<std::string> outcomes;
        for (const std::string& event : Events) {
            if (event.starts_with("end ") || event.starts_with("badcrc ")) {
                outcomes.push_back(event);
            }
        }
        return outcomes;
    }
    std::vector<std::string> SortedEvents() const {
        std::vector<std::string> sorted = Events;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }
};

// The names of the files (not folders) of a tree.
std::vector<std::string> Files(const std::map<std::string, std::string>& tree) {
    std::vector<std::string> files;
    for (const auto& [name, line] : tree) {
        if (!line.starts_with("dir ")) {
            files.push_back(name);
        }
    }
    return files;
}

class ParallelRun {
  public:
    ParallelRun(int threads, RunRecord& record)
        : record_(record), caller_(std::this_thread::get_id()) {
        zipper.SetThreads(threads);
        zipper.SetDoAll(true);
        zipper.SetRecreateDirs(true);
        zipper.SetPassword("secret");
        Attach();
    }

    void Extract(const fs::path& archive, const fs::path& dest) {
        zipper.SetZipName(archive.string());
        zipper.SetDestDir(dest.string());
        root_ = dest.string() + "/";
        try {
            record_.Extracted = zipper.UnZip();
        } catch (const std::exception& error) {
            record_.Error = error.what();
        }
        record_.Tree = TreeOf(dest);
    }

    void Test(const fs::path& archive) {
        zipper.SetZipName(archive.string());
        try {
            record_.Tested = zipper.TestEntries(-1);
        } catch (const std::exception& error) {
            record_.Error = error.what();
        }
    }

    TUnZipper zipper;
    // Passwords OnBadPassword hands out, one per call; then it keeps the current one.
    std::vector<std::string> NewPasswords;
    int CancelAtEnd = -1;    // requests a cancel in this OnEndUnZip (counted from 1)
    int CancelAtStart = -1;  // requests a cancel in this OnStartUnZip (counted from 1)

  private:
    void Note(const std::string& event) {
        record_.AllOnCaller = record_.AllOnCaller && std::this_thread::get_id() == caller_;
        record_.Events.push_back(event);
    }
    std::string Short(const std::string& path) const {
        return path.rfind(root_, 0) == 0 ? path.substr(root_.size()) : path;
    }

    void Attach() {
        zipper.OnStartUnZipInfo = [this](TUnZipper&, int files, int64_t bytes, bool&) {
            Note("info " + std::to_string(files) + " " + std::to_string(bytes));
        };
        zipper.OnStartUnZip = [this](TUnZipper& z, int i, std::string& name, bool&) {
            Note("start " + std::to_string(i) + " " + Short(name));
            if (--CancelAtStart == 0) {
                z.SetCancelRequested(true);
            }
        };
        zipper.OnEndUnZip = [this](TUnZipper& z, int i, const std::string& name) {
            Note("end " + std::to_string(i) + " " + Short(name));
            if (--CancelAtEnd == 0) {
                z.SetCancelRequested(true);
            }
        };
        zipper.OnBadCRC = [this](TUnZipper&, uint32_t calc, uint32_t stored, int i) {
            Note("badcrc " + std::to_string(i) + " " + std::to_string(calc) + " " +
                 std::to_string(stored));
        };
        zipper.OnBadPassword = [this](TUnZipper&, int i, std::string& password) {
            Note("badpassword " + std::to_string(i) + " " + password);
            if (!NewPasswords.empty()) {
                password = NewPasswords.front();
                NewPasswords.erase(NewPasswords.begin());
            }
        };
        zipper.OnSkippingFile = [this](TUnZipper&, TSkipReason reason, const std::string& name,
                                       int i, bool&) {
            Note("skip " + std::to_string(i) + " " + std::to_string(int(reason)) + " " +
                 Short(name));
        };
        zipper.OnPromptForOverwrite = [this](TUnZipper&, bool& replace, int i, std::string& name) {
            Note("prompt " + std::to_string(i) + " " + Short(name));
            replace = true;
        };
        zipper.OnFilePercentDone = [this](TUnZipper&, int p) {
            Note("file% " + std::to_string(p));
        };
        zipper.OnTotalPercentDone = [this](TUnZipper&, int p) {
            Note("total% " + std::to_string(p));
        };
        zipper.OnUnZipComplete = [this](TUnZipper&, int count) {
            Note("complete " + std::to_string(count));
        };
    }

    RunRecord& record_;
    std::thread::id caller_;
    std::string root_;
};

// The same outcome as one thread: counts, error, files, and events (the outcome events in
// the same order, all of them the same multiset, each on the caller's thread).
void ExpectSameRun(const RunRecord& one, const RunRecord& many, int threads) {
    SCOPED_TRACE("Threads " + std::to_string(threads));
    EXPECT_TRUE(many.AllOnCaller);
    EXPECT_EQ(many.Extracted, one.Extracted);
    EXPECT_EQ(many.Tested, one.Tested);
    EXPECT_EQ(many.Error, one.Error);
    EXPECT_EQ(many.Tree, one.Tree);
    EXPECT_EQ(many.Outcomes(), one.Outcomes());
    EXPECT_EQ(many.SortedEvents(), one.SortedEvents());
}

// Changes the method or the CRC of the entry called name in both of its headers.
void PatchNamed(test::Bytes& archive, const std::string& name, std::optional<uint16_t> method,
                std::optional<uint32_t> crc) {
    auto get16 = [&archive](size_t at) { return uint32_t(archive[at] | archive[at + 1] << 8); };
    auto put = [&archive](size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            archive[at + size_t(i)] = uint8_t(value >> (8 * i));
        }
    };
    for (size_t at = 0; at + 46 < archive.size(); ++at) {
        if (archive[at] != 'P' || archive[at + 1] != 'K' || archive[at + 2] != 1 ||
            archive[at + 3] != 2) {
            continue;
        }
        const std::string stored(archive.begin() + long(at + 46),
                                 archive.begin() + long(at + 46 + get16(at + 28)));
        if (stored != name) {
            continue;
        }
        const size_t local = get16(at + 42) | get16(at + 44) << 16;
        if (method) {
            put(at + 10, *method, 2);
            put(local + 8, *method, 2);
        }
        if (crc) {
            put(at + 16, *crc, 4);
            put(local + 14, *crc, 4);
        }
        return;
    }
    FAIL() << name << " is not in the archive";
}

std::string Words(size_t count, unsigned seed) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        text += "word" + std::to_string((seed >> 16) % 700) + (i % 13 == 0 ? "\n" : " ");
    }
    return text;
}

class ParallelExtract : public testing::Test {
  protected:
    // Built once: a slice of the corpus zipped by zip, and an archive of every kind of
    // entry a run can meet.
    static void SetUpTestSuite() {
        folder_ = new test::TempDir;
        const fs::path corpus = test::CorpusDir() / "full";
        const auto zip = test::RunCommand(
            "cd " + test::ShellQuote(corpus.string()) + " && find . -type f | sort | head -300 | " +
            "zip -q -6 " + test::ShellQuote(CorpusSlice().string()) + " -@");
        ASSERT_EQ(zip.ExitCode, 0) << zip.Output;
        MakeMixedArchive();
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }

    static fs::path CorpusSlice() { return *folder_ / "corpus.zip"; }
    static fs::path Mixed() { return *folder_ / "mixed.zip"; }

    static void MakeMixedArchive() {
        const fs::path source = *folder_ / "mixed";
        fs::create_directories(source / "sub");
        for (int i = 0; i < 6; ++i) {
            test::WriteFileText(source / ("good" + std::to_string(i) + ".txt"),
                                Words(size_t(50 + 20000 * (i % 3)), unsigned(i)));
        }
        test::WriteFileText(source / "sub/badcrc.txt", std::string(100000, 'x'));
        test::WriteFileText(source / "method98.txt", std::string(5000, 'y'));
        test::WriteFileText(source / "wrongpw.txt", "locked with another password");
        test::WriteFileText(source / "right.txt", Words(9000, 7));
        test::WriteFileText(source / "aes.txt", Words(9000, 8));
        fs::permissions(source / "good2.txt", fs::perms(0600));
        fs::create_symlink("good1.txt", source / "link");
        const std::string zip = test::ShellQuote(Mixed().string());
        const auto made = test::RunCommand(
            "cd " + test::ShellQuote(source.string()) + " && touch -d '2020-01-02 03:04:05' " +
            "good3.txt && zip -q -6 " + zip + " good*.txt sub/badcrc.txt method98.txt && " +
            "zip -q -y " + zip + " link && zip -q -P other " + zip + " wrongpw.txt && " +
            "zip -q -P secret " + zip + " right.txt && 7zz a -tzip -mem=AES256 -psecret " + zip +
            " aes.txt && zip -q " + zip + " sub/../good5.txt");
        ASSERT_EQ(made.ExitCode, 0) << made.Output;
        test::Bytes archive = test::ReadFileBytes(Mixed());
        PatchNamed(archive, "method98.txt", 98, std::nullopt);
        PatchNamed(archive, "sub/badcrc.txt", std::nullopt, 0x12345678);
        test::WriteFileBytes(Mixed(), archive);
    }

    RunRecord ExtractWith(int threads, const fs::path& archive) {
        RunRecord record;
        ParallelRun run(threads, record);
        run.Extract(archive, temp / ("out" + std::to_string(++runs_)));
        return record;
    }
    RunRecord TestWith(int threads, const fs::path& archive) {
        RunRecord record;
        ParallelRun run(threads, record);
        run.Test(archive);
        return record;
    }

    test::TempDir temp;
    int runs_ = 0;
    static test::TempDir* folder_;
};

test::TempDir* ParallelExtract::folder_ = nullptr;

TEST_F(ParallelExtract, ACorpusSliceGivesTheSameFilesAndEventsWithEveryThreadCount) {
    const int threadsBefore = test::ThreadCount();
    const RunRecord one = ExtractWith(1, CorpusSlice());
    ASSERT_EQ(one.Extracted, 300);
    ASSERT_EQ(one.Outcomes().size(), 300u);
    for (const int threads : kThreadCounts) {
        ExpectSameRun(one, ExtractWith(threads, CorpusSlice()), threads);
    }
    EXPECT_EQ(test::ThreadCount(), threadsBefore);
}

TEST_F(ParallelExtract, EveryKindOfEntryGivesTheSameOutcomesWithEveryThreadCount) {
    const RunRecord one = ExtractWith(1, Mixed());
    // What the archive is meant to hold, seen through one thread's run.
    EXPECT_TRUE(one.Error.empty()) << one.Error;
    EXPECT_EQ(one.Tree.count("sub/badcrc.txt"), 0u);
    EXPECT_EQ(one.Tree.count("method98.txt"), 0u);
    EXPECT_EQ(one.Tree.count("wrongpw.txt"), 0u);
    EXPECT_EQ(one.Tree.count("aes.txt"), 1u);
    EXPECT_EQ(one.Tree.count("right.txt"), 1u);
    ASSERT_EQ(one.Tree.count("link"), 1u);
    EXPECT_NE(one.Tree.at("link").find("link good1.txt"), std::string::npos);
    EXPECT_EQ(std::count_if(one.Events.begin(), one.Events.end(),
                            [](const std::string& e) { return e.starts_with("badcrc "); }),
              1);
    for (const int threads : kThreadCounts) {
        ExpectSameRun(one, ExtractWith(threads, Mixed()), threads);
    }
}

TEST_F(ParallelExtract, TestModeGivesTheSameVerdictsOnAGoodAndADamagedArchive) {
    const RunRecord good = TestWith(1, CorpusSlice());
    EXPECT_TRUE(good.Tested);
    const RunRecord damaged = TestWith(1, Mixed());
    EXPECT_FALSE(damaged.Tested);
    for (const int threads : kThreadCounts) {
        ExpectSameRun(good, TestWith(threads, CorpusSlice()), threads);
        ExpectSameRun(damaged, TestWith(threads, Mixed()), threads);
    }
}

TEST_F(ParallelExtract, ANewPasswordAfterABadCrcRunsThatEntryAgainInItsTurn) {
    test::ZipBuilder builder;
    builder.Add({"a.txt", Words(3000, 1)});
    auto damaged = test::MakeEncryptedEntry("e.txt", "encrypted and damaged", "secret");
    builder.Add(damaged.Entry);
    builder.Add({"b.txt", Words(3000, 2)});
    auto later = test::MakeEncryptedEntry("f.txt", "encrypted with the first password", "secret");
    builder.Add(later.Entry);
    test::Bytes archive = builder.Build();
    damaged.Patch.Crc = *damaged.Patch.Crc ^ 1;  // the check byte still matches
    test::PatchEntry(archive, 1, damaged.Patch);
    test::PatchEntry(archive, 3, later.Patch);
    test::WriteFileBytes(temp / "retry.zip", archive);
    std::vector<RunRecord> records;
    for (const int threads : kThreadCounts) {
        RunRecord record;
        ParallelRun run(threads, record);
        run.NewPasswords = {"again"};
        run.Extract(temp / "retry.zip", temp / ("retry" + std::to_string(threads)));
        records.push_back(record);
    }
    // The entry runs again with the new password, which fails its check. With one thread
    // f.txt is checked after that and fails too; decoding ahead, it passed its check with
    // the first password before e.txt's turn came, and keeps it.
    const std::vector<std::string> retried = {"badpassword 1 secret", "badpassword 1 again",
                                              "skip 1 0 e.txt"};
    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE("run " + std::to_string(i));
        EXPECT_TRUE(records[i].AllOnCaller);
        EXPECT_EQ(records[i].Extracted, i == 0 ? 2 : 3);
        EXPECT_EQ(records[i].Tree.count("e.txt"), 0u);
        EXPECT_EQ(records[i].Tree.count("f.txt"), i == 0 ? 0u : 1u);
        std::vector<std::string> failures;
        std::copy_if(records[i].Events.begin(), records[i].Events.end(),
                     std::back_inserter(failures), [](const std::string& event) {
                         return event.find(" 1 ") != std::string::npos &&
                                !event.starts_with("start ");
                     });
        EXPECT_EQ(failures, retried);
    }
}

TEST_F(ParallelExtract, ACancelStopsTheRunAsWithOneThreadAndLeavesNoWorker) {
    const int threadsBefore = test::ThreadCount();
    std::vector<RunRecord> records;
    for (const int threads : {1, 0}) {
        RunRecord record;
        ParallelRun run(threads, record);
        run.CancelAtEnd = 20;
        run.Extract(CorpusSlice(), temp / ("cancel" + std::to_string(threads)));
        EXPECT_FALSE(run.zipper.Busy());
        EXPECT_FALSE(run.zipper.CancelRequested());
        records.push_back(record);
    }
    EXPECT_EQ(test::ThreadCount(), threadsBefore);
    EXPECT_EQ(records[0].Error, "User Aborted Operation");
    EXPECT_EQ(records[1].Error, records[0].Error);
    EXPECT_EQ(records[1].Outcomes(), records[0].Outcomes());
    EXPECT_EQ(records[1].Outcomes().size(), 20u);
    EXPECT_EQ(records[1].Events.back(), records[0].Events.back());  // "complete 20"
    EXPECT_TRUE(records[1].AllOnCaller);
}

// A cancel asked for while an entry is prepared (by a handler or a prompt) stops the run at
// that entry: no later entry is started, and no later file made, however far ahead the
// workers could run.
TEST_F(ParallelExtract, ACancelWhileAnEntryIsPreparedStartsNoLaterEntry) {
    std::vector<RunRecord> records;
    for (const int threads : kThreadCounts) {
        RunRecord record;
        ParallelRun run(threads, record);
        run.CancelAtStart = 5;
        run.Extract(CorpusSlice(), temp / ("startcancel" + std::to_string(threads)));
        records.push_back(record);
    }
    auto names = [](const RunRecord& record) {
        std::vector<std::string> keys;
        for (const auto& item : record.Tree) {
            keys.push_back(item.first);
        }
        return keys;
    };
    EXPECT_EQ(records[0].Error, "User Aborted Operation");
    for (size_t i = 1; i < records.size(); ++i) {
        SCOPED_TRACE("run " + std::to_string(i));
        EXPECT_EQ(records[i].Error, records[0].Error);
        EXPECT_EQ(records[i].SortedEvents(), records[0].SortedEvents());
        EXPECT_EQ(names(records[i]), names(records[0]));
    }
}

TEST_F(ParallelExtract, AWriteFailureRaisesTheSameErrorInTheSameEntrysTurn) {
    const int threadsBefore = test::ThreadCount();
    // One destination for every run, so the error that names the file reads the same.
    const fs::path dest = temp / "full";
    std::vector<RunRecord> records;
    for (const int threads : kThreadCounts) {
        fs::remove_all(dest);
        RunRecord record;
        {
            test::FileSizeLimit limit(150000);  // good0 fits, good1 does not
            ParallelRun run(threads, record);
            run.Extract(Mixed(), dest);
        }
        records.push_back(record);
    }
    EXPECT_EQ(test::ThreadCount(), threadsBefore);
    EXPECT_EQ(records[0].Error,
              "Cannot write file \"" + (dest / "good1.txt").string() + "\": not enough space");
    EXPECT_EQ(records[0].Tree.count("good0.txt"), 1u);
    for (size_t i = 0; i < records.size(); ++i) {
        // No file the disk cut short is left to pass for its entry, neither the one that
        // failed nor those decoded ahead of their turn.
        EXPECT_EQ(Files(records[i].Tree), Files(records[0].Tree));
        EXPECT_EQ(records[i].Tree.count("good1.txt"), 0u);
        EXPECT_TRUE(records[i].AllOnCaller);
        EXPECT_EQ(records[i].Error, records[0].Error);
        EXPECT_EQ(records[i].Outcomes(), records[0].Outcomes());
        EXPECT_EQ(records[i].Events.back(), records[0].Events.back());
    }
}

}  // namespace
}  // namespace mobrel
