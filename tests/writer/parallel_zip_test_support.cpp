#include "writer/parallel_zip_test_support.h"

#include <gtest/gtest.h>

#include <chrono>

#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "test_support.h"
#include "writer/zipper_test_support.h"

namespace mobrel::test {

namespace fs = std::filesystem;

namespace {

// Passes reads through to a file, failing or waiting where the test wants it.
class TSteeredStream : public TStream {
  public:
    TSteeredStream(std::unique_ptr<TStream> file, int64_t failAfter, std::function<bool()> waitFor)
        : file_(std::move(file)), failAfter_(failAfter), waitFor_(std::move(waitFor)) {}

    int64_t Read(void* data, int64_t count) override {
        if (waitFor_) {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (!waitFor_() && std::chrono::steady_clock::now() < until) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            waitFor_ = nullptr;
        }
        if (failAfter_ >= 0 && file_->Position() + count > failAfter_) {
            throw EStreamError("the disk could not read the file");
        }
        return file_->Read(data, count);
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override {
        return file_->Seek(offset, origin);
    }
    void SetSize(int64_t) override {}
    int64_t Size() override { return file_->Size(); }

  private:
    std::unique_ptr<TStream> file_;
    int64_t failAfter_;
    std::function<bool()> waitFor_;
};

bool EndsWith(const std::string& text, const std::string& end) {
    return !end.empty() && text.ends_with(end);
}

std::map<std::string, std::vector<uint8_t>> FilesOf(const fs::path& folder) {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const std::string& name : FilesIn(folder)) {
        files[name] = ReadFileBytes(folder / name);
    }
    return files;
}

}  // namespace

std::unique_ptr<TStream> TParallelTestZipper::OpenSourceFile(const std::string& fileName) {
    const bool onCaller = std::this_thread::get_id() == caller_;
    if (EndsWith(fileName, Locked) || (!onCaller && EndsWith(fileName, WorkerLocked))) {
        throw EFileError("Cannot open file \"" + fileName + "\". Permission denied");
    }
    if (EndsWith(fileName, Failing)) {
        return std::make_unique<TSteeredStream>(TZipper::OpenSourceFile(fileName), 65536, nullptr);
    }
    if (!onCaller && EndsWith(fileName, Slow)) {
        return std::make_unique<TSteeredStream>(TZipper::OpenSourceFile(fileName), -1, SlowUntil);
    }
    return TZipper::OpenSourceFile(fileName);
}

void RecordEvents(TZipper& zipper, EventRecord& record) {
    const std::thread::id caller = std::this_thread::get_id();
    const auto add = [&record, caller](const std::string& line) {
        record.OffCaller = record.OffCaller || std::this_thread::get_id() != caller;
        record.Lines.push_back(line);
    };
    zipper.OnStartZipInfo = [add](TZipper&, int count, int64_t bytes, TEndCentral&, bool&) {
        add("info " + std::to_string(count) + " " + std::to_string(bytes));
    };
    zipper.OnStartZip = [add](TZipper&, const std::string& name, TZipHeaderInfo& entry, bool&) {
        add("start " + name + " " + std::to_string(entry.UncompressedSize));
    };
    zipper.OnEndZip = [add](TZipper&, const std::string& name, int64_t size, int64_t packed,
                            int64_t archive) {
        add("end " + name + " " + std::to_string(size) + " " + std::to_string(packed) + " " +
            std::to_string(archive));
    };
    zipper.OnFilePercentDone = [add](TUnZipper&, int percent) {
        add("file " + std::to_string(percent));
    };
    zipper.OnTotalPercentDone = [add](TUnZipper&, int percent) {
        add("total " + std::to_string(percent));
    };
    zipper.OnSkippingFile = [add](TUnZipper&, TSkipReason reason, const std::string& name,
                                  int index, bool&) {
        add("skip " + std::to_string(static_cast<int>(reason)) + " " + name + " " +
            std::to_string(index));
    };
    zipper.OnZipComplete = [add](TZipper&, int count) { add("done " + std::to_string(count)); };
}

ZipRun ZipWithThreads(int threads, const fs::path& folder, const std::string& name,
                      const ZipSetup& setup, const ZipOperation& operation) {
    fs::create_directories(folder);
    const std::string archive = (folder / name).string();
    TParallelTestZipper zipper;
    EventRecord record;
    RecordEvents(zipper, record);
    setup(zipper);
    zipper.SetThreads(threads);
    if (operation) {
        operation(zipper, archive);
    } else {
        zipper.SetZipName(archive);
        zipper.Zip();
    }
    EXPECT_FALSE(record.OffCaller);
    return {FilesOf(folder), record.Lines};
}

void ExpectSameEvents(const std::vector<std::string>& expected,
                      const std::vector<std::string>& actual) {
    EXPECT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < std::min(expected.size(), actual.size()); ++i) {
        if (expected[i] != actual[i]) {
            ADD_FAILURE() << "event " << i << ": \"" << actual[i] << "\" instead of \""
                          << expected[i] << "\"";
            return;
        }
    }
}

void ExpectSameWithAnyThreadCount(const fs::path& scratch, const std::string& name,
                                  const ZipSetup& setup, const ZipOperation& operation) {
    const ZipRun alone = ZipWithThreads(1, scratch / "threads1", name, setup, operation);
    ASSERT_FALSE(alone.Files.empty());
    for (int threads : {2, 3, 0}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        const ZipRun run = ZipWithThreads(threads, scratch / ("threads" + std::to_string(threads)),
                                          name, setup, operation);
        EXPECT_TRUE(run.Files == alone.Files);
        ExpectSameEvents(alone.Events, run.Events);
    }
}

std::string MixedBytes(size_t size, uint32_t seed) {
    return CompressibleText(size / 4) + RandomBytes(size - size / 4, seed);
}

bool HasSpillFile(const fs::path& folder) {
    for (const std::string& name : FilesIn(folder)) {
        if (name.starts_with("MBJ")) {
            return true;
        }
    }
    return false;
}

}  // namespace mobrel::test
