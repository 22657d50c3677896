// Faults injected into an update of a small archive: a write that fails at every position
// the new archive is written through, a cancel at every point the operation lets the user
// interface run, and an exception from every event handler. Each leaves the old archive
// byte for byte (or, once the new one is in place, the complete new one) and no temporary
// file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "platform/engine_errors.h"
#include "platform/file_stream.h"
#include "platform/interactive_services.h"
#include "writer/zipper.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// The archive's file through which every write goes; write number FailAt (0-based) is cut
// short, or throws, as a full disk or a failing device would.
class TFaultyStream : public TStream {
  public:
    TFaultyStream(const std::string& name, int failAt, bool throws, int& writes)
        : file_(name, TFileMode::Create), failAt_(failAt), throws_(throws), writes_(writes) {}
    int64_t Read(void* data, int64_t count) override { return file_.Read(data, count); }
    int64_t Write(const void* data, int64_t count) override {
        if (writes_++ == failAt_) {
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
};

class TFaultyZipper : public TZipper {
  public:
    int FailAt = -1;
    bool Throws = false;
    int Writes = 0;

  protected:
    std::unique_ptr<TStream> CreateOutputFile(const std::string& fileName) override {
        return std::make_unique<TFaultyStream>(fileName, FailAt, Throws, Writes);
    }
};

// Counts the turns the operation gives the user interface and asks to cancel at one.
class TCancellingServices : public TInteractiveServices {
  public:
    TZipper* Target = nullptr;
    int CancelAt = -1;
    int Turns = 0;
    void ProcessMessages() override {
        if (Turns++ == CancelAt) {
            Target->SetCancelRequested(true);
        }
    }
};

// Three entries in an archive; an update replaces one, adds a file large enough for
// several refills and a small one, and keeps the rest.
class ZipperFault : public ::testing::Test {
  protected:
    void SetUp() override {
        test::MakeFile(dir.Path(), "old/a.txt", test::CompressibleText(3000));
        test::MakeFile(dir.Path(), "old/b.bin", test::RandomBytes(2000, 7));
        test::MakeFile(dir.Path(), "old/c.txt", "c");
        fs::create_directory(temp);
        archive = (dir / "archive.zip").string();
        TZipper zipper;
        zipper.SetZipName(archive);
        zipper.FilesList() = {(dir / "old/*").string()};
        ASSERT_EQ(zipper.Zip(), 3);
        before = test::ReadFileBytes(archive);
        newer = test::MakeFile(dir.Path(), "new/a.txt", "a newer a");
        test::SetFileTime(newer, 2000000000);
        big = test::MakeFile(dir.Path(), "new/big.bin", test::RandomBytes(300000, 8));
        small = test::MakeFile(dir.Path(), "new/small.bin", test::RandomBytes(3000, 9));
    }

    void Prepare(TZipper& zipper) {
        zipper.SetZipName(archive);
        zipper.SetTempPath(temp.string());
        zipper.SetZipAction(zaUpdate);
        zipper.ReadZip();
        zipper.FilesList() = {newer, big, small};
    }

    // The old archive exactly, or after the hand-over the complete new one; nothing else.
    void ExpectOldArchiveAndNoTemporaryFile(bool mayBeNew = false) {
        const std::vector<uint8_t> now = test::ReadFileBytes(archive);
        if (now != before) {
            EXPECT_TRUE(mayBeNew) << "the old archive changed";
            test::ExpectPeersAccept(archive);
        }
        EXPECT_EQ(test::FilesIn(temp), std::vector<std::string>{});
        std::vector<std::string> beside = test::FilesIn(dir.Path());
        std::sort(beside.begin(), beside.end());
        EXPECT_EQ(beside, (std::vector<std::string>{"archive.zip", "new", "old", "tmp"}));
    }

    void RestoreOldArchive() { test::WriteFileBytes(archive, before); }

    TempDir dir;
    fs::path temp = dir / "tmp";
    std::string archive, newer, big, small;
    std::vector<uint8_t> before;
};

TEST_F(ZipperFault, AWriteFailingAtEveryPositionLeavesTheOldArchive) {
    for (const bool throws : {false, true}) {
        int positions = 0;
        for (int failAt = 0;; ++failAt) {
            SCOPED_TRACE(std::to_string(failAt) + (throws ? " throwing" : " short"));
            TFaultyZipper zipper;
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
            if (zipper.Writes <= failAt) {
                // Every write came before the fault: the update went through.
                EXPECT_EQ(test::PythonNames(archive).size(), 5u);
                test::ExpectPeersAccept(archive);
                RestoreOldArchive();
                break;
            }
            ExpectOldArchiveAndNoTemporaryFile();
            ++positions;
            ASSERT_LT(failAt, 100000);
        }
        std::cout << "write fault (" << (throws ? "exception" : "short write") << ") at each of "
                  << positions << " positions\n";
        EXPECT_GT(positions, 5);
    }
}

TEST_F(ZipperFault, ACancelAtEveryTurnOfTheUserInterfaceLeavesTheOldArchive) {
    TCancellingServices services;
    InstallServices(&services);
    int turns = 0;
    for (int cancelAt = 0;; ++cancelAt) {
        SCOPED_TRACE(cancelAt);
        TZipper zipper;
        services.Target = &zipper;
        services.CancelAt = cancelAt;
        services.Turns = 0;
        Prepare(zipper);
        try {
            zipper.Zip();
        } catch (const EUserCanceled& error) {
            EXPECT_STREQ(error.what(), "User Aborted Operation");
            EXPECT_FALSE(zipper.CancelRequested());
            ExpectOldArchiveAndNoTemporaryFile();
            ++turns;
            ASSERT_LT(cancelAt, 100000);
            continue;
        }
        EXPECT_LE(services.Turns, cancelAt);
        EXPECT_EQ(test::PythonNames(archive).size(), 5u);
        break;
    }
    InstallServices(nullptr);
    std::cout << "cancel at each of " << turns << " turns\n";
    EXPECT_GT(turns, 5);
}

// Every handler the update raises, each made to throw in turn.
TEST_F(ZipperFault, AnExceptionFromEveryHandlerLeavesTheOldArchive) {
    using Arm = std::function<void(TZipper&)>;
    auto fail = [] { throw std::runtime_error("handler failed"); };
    const std::vector<std::pair<std::string, Arm>> handlers = {
        {"OnStartZipInfo",
         [=](TZipper& z) {
             z.OnStartZipInfo = [=](TZipper&, int, int64_t, TEndCentral&, bool&) { fail(); };
         }},
        {"OnStartZip",
         [=](TZipper& z) {
             z.OnStartZip = [=](TZipper&, const std::string&, TZipHeaderInfo&, bool&) { fail(); };
         }},
        {"OnEndZip",
         [=](TZipper& z) {
             z.OnEndZip = [=](TZipper&, const std::string&, int64_t, int64_t, int64_t) { fail(); };
         }},
        {"OnUpdate",
         [=](TZipper& z) { z.OnUpdate = [=](TZipper&, TUpdateAction, int) { fail(); }; }},
        {"OnFilePercentDone",
         [=](TZipper& z) { z.OnFilePercentDone = [=](TUnZipper&, int) { fail(); }; }},
        {"OnTotalPercentDone",
         [=](TZipper& z) { z.OnTotalPercentDone = [=](TUnZipper&, int) { fail(); }; }},
        {"OnNoSuchFile",
         [=](TZipper& z) {
             z.FilesList().push_back("/no/such/file.txt");
             z.OnNoSuchFile = [=](TZipper&, const std::string&) { fail(); };
         }},
        {"OnNoFileMatches",
         [=](TZipper& z) {
             z.FilesList().push_back("/no/such/folder/*.txt");
             z.OnNoFileMatches = [=](TZipper&, const std::string&) { fail(); };
         }},
        {"OnRecursingFile",
         [=](TZipper& z) {
             z.FilesList().push_back((fs::path(z.ZipName()).parent_path() / "new/*.bin").string());
             z.SetRecurse(true);
             z.OnRecursingFile = [=](TZipper&, const std::string&) { fail(); };
         }},
        {"OnDisposeFile",
         [=](TZipper& z) {
             z.SetDispose(true);
             z.OnDisposeFile = [=](TZipper&, const std::string&, bool& skip) {
                 skip = true;
                 fail();
             };
         }},
        {"OnZipComplete", [=](TZipper& z) { z.OnZipComplete = [=](TZipper&, int) { fail(); }; }},
    };
    for (const auto& [name, arm] : handlers) {
        SCOPED_TRACE(name);
        TZipper zipper;
        Prepare(zipper);
        arm(zipper);
        EXPECT_THROW(zipper.Zip(), std::runtime_error);
        const bool replaced = test::ReadFileBytes(archive) != before;
        std::cout << "handler " << name
                  << " throwing: " << (replaced ? "new archive complete" : "old archive kept")
                  << "\n";
        ExpectOldArchiveAndNoTemporaryFile(name == "OnDisposeFile" || name == "OnZipComplete");
        EXPECT_TRUE(zipper.FilesList().empty());
        EXPECT_FALSE(zipper.Busy());
        RestoreOldArchive();
    }
}

TEST_F(ZipperFault, AnExceptionFromTheDeleteHandlerLeavesTheOldArchive) {
    TZipper zipper;
    zipper.SetZipName(archive);
    zipper.SetTempPath(temp.string());
    zipper.FilesList() = {"a.txt"};
    zipper.OnDeleteEntry = [](TZipper&, const std::string&, bool&) {
        throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(zipper.DeleteEntries(), std::runtime_error);
    ExpectOldArchiveAndNoTemporaryFile();
}

// A number as mobrel-cli list writes its totals: digits grouped by commas.
std::string GroupedThousands(uint64_t value) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped.push_back(',');
        }
        grouped.push_back(digits[i]);
    }
    return grouped;
}

TEST_F(ZipperFault, ASparseFileOfOverFourGibibytesIsZippedByMobrelCliAndListedWithItsSize) {
    const fs::path huge = dir / "new" / "huge.bin";
    test::WriteFileText(huge, "");
    const uint64_t hugeSize = (uint64_t{4} << 30) + (uint64_t{1} << 20);
    fs::resize_file(huge, hugeSize);  // sparse: no disk space taken
    const std::string cli =
        "TMPDIR=" + test::ShellQuote(temp.string()) + " " + test::ShellQuote(MOBREL_CLI_PATH);
    const test::CommandResult result =
        test::RunCommand(cli + " add -1 " + test::ShellQuote(archive) + " " +
                         test::ShellQuote(small) + " " + test::ShellQuote(huge.string()));
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    fs::remove(huge);
    // The zeros deflate to a few megabytes; the archive is new, complete and the peers' too.
    EXPECT_LT(fs::file_size(archive), uint64_t{64} << 20);
    ExpectOldArchiveAndNoTemporaryFile(true);

    const test::CommandResult listed =
        test::RunCommand(cli + " list -v " + test::ShellQuote(archive));
    EXPECT_NE(listed.Output.find("huge.bin\t" + std::to_string(hugeSize) + "\t"), std::string::npos)
        << listed.Output;
    // The total of every entry's size passes 4 GiB as well.
    uint64_t total = hugeSize;
    for (const char* name : {"old/a.txt", "old/b.bin", "old/c.txt"}) {
        total += fs::file_size(dir / name);
    }
    total += fs::file_size(small);
    const test::CommandResult columns =
        test::RunCommand(cli + " list " + test::ShellQuote(archive));
    EXPECT_NE(columns.Output.find("Unzipped: " + GroupedThousands(total) + "\n"), std::string::npos)
        << columns.Output;
}

}  // namespace
}  // namespace mobrel
