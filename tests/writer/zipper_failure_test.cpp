// Operations that fail part-way: a full disk, a cancel, an exception from a handler, an
// input file that can't be read, a replace that can't be done and the format's size and
// count limits. Each leaves the old archive byte for byte, no temporary file behind, an
// empty FilesList and the reader's view in its sort mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "format/zip_builder.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "platform/file_stream.h"
#include "writer/zip64_test_support.h"
#include "writer/zipper.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// A file on a disk that holds only `room` bytes: writes past that are cut short.
class TFullDiskStream : public TStream {
  public:
    TFullDiskStream(const std::string& name, int64_t room)
        : file_(name, TFileMode::Create), room_(room) {}
    int64_t Read(void* data, int64_t count) override { return file_.Read(data, count); }
    int64_t Write(const void* data, int64_t count) override {
        const int64_t fits = std::max<int64_t>(0, room_ - file_.Position());
        return file_.Write(data, std::min(count, fits));
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override { return file_.Seek(offset, origin); }
    void SetSize(int64_t size) override { file_.SetSize(size); }

  private:
    TFileStream file_;
    int64_t room_;
};

// An output that keeps no bytes and starts just below 4 GiB, as if much had been written.
class TNearlyFullArchiveStream : public TStream {
  public:
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t count) override {
        position_ += count;
        size_ = std::max(size_, position_);
        return count;
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override {
        position_ = origin == soBeginning ? offset
                    : origin == soCurrent ? position_ + offset
                                          : size_ + offset;
        return position_;
    }
    void SetSize(int64_t size) override { size_ = size; }

  private:
    int64_t position_ = 0xFFFFF000;
    int64_t size_ = 0xFFFFF000;
};

// A source file whose reading fails after its first bytes.
class TFailingSourceStream : public TStream {
  public:
    int64_t Read(void* data, int64_t count) override {
        if (delivered_ > 0) {
            throw EStreamError("Stream read error");
        }
        delivered_ = std::min<int64_t>(count, 100);
        std::fill_n(static_cast<uint8_t*>(data), delivered_, uint8_t{'x'});
        return delivered_;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin) override { return offset; }
    void SetSize(int64_t) override {}
    int64_t Size() override { return 200000; }

  private:
    int64_t delivered_ = 0;
};

class TTestZipper : public TZipper {
  public:
    int64_t Room = -1;          // bytes the output takes; -1: no limit
    bool NearlyFull = false;    // the output starts just below 4 GiB
    std::string FailingSource;  // this file's reading fails
    std::string LockedSource;   // this file can't be opened
    bool ReplaceFails = false;

  protected:
    std::unique_ptr<TStream> CreateOutputFile(const std::string& fileName) override {
        if (NearlyFull) {
            TFileStream(fileName, TFileMode::Create);  // the file the clean-up removes
            return std::make_unique<TNearlyFullArchiveStream>();
        }
        if (Room >= 0) {
            return std::make_unique<TFullDiskStream>(fileName, Room);
        }
        return TZipper::CreateOutputFile(fileName);
    }
    std::unique_ptr<TStream> OpenSourceFile(const std::string& fileName) override {
        if (fileName == LockedSource) {
            throw EFileError("Cannot open file \"" + fileName + "\". Permission denied");
        }
        if (fileName == FailingSource) {
            return std::make_unique<TFailingSourceStream>();
        }
        return TZipper::OpenSourceFile(fileName);
    }
    bool PutInPlace(const std::string& source, const std::string& target) override {
        return !ReplaceFails && TZipper::PutInPlace(source, target);
    }
};

// An archive of two entries, a big file to add, and a private folder for temporary files.
struct Scene {
    TempDir Dir;
    std::string Archive, Big, Small, Temp;
    std::vector<uint8_t> Before;

    Scene() {
        test::MakeFile(Dir.Path(), "old/one.txt", test::CompressibleText(5000));
        test::MakeFile(Dir.Path(), "old/two.bin", test::RandomBytes(5000, 1));
        Big = test::MakeFile(Dir.Path(), "new/big.bin", test::RandomBytes(300000, 2));
        Small = test::MakeFile(Dir.Path(), "new/small.txt", "small\n");
        Temp = (Dir / "tmp").string();
        fs::create_directory(Temp);
        Archive = (Dir / "archive.zip").string();
        TZipper zipper;
        zipper.SetZipName(Archive);
        zipper.FilesList() = {(Dir / "old/*").string()};
        EXPECT_EQ(zipper.Zip(), 2);
        Before = test::ReadFileBytes(Archive);
    }

    void Prepare(TZipper& zipper) const {
        zipper.SetZipName(Archive);
        zipper.SetTempPath(Temp);
        zipper.SetSortMode(ByName);
        zipper.ReadZip();
        zipper.FilesList() = {Small, Big};
    }

    // The old archive untouched, nothing left behind, the reader as it was.
    void ExpectNothingChanged(TZipper& zipper) const {
        EXPECT_EQ(test::ReadFileBytes(Archive), Before);
        EXPECT_TRUE(test::FilesIn(Temp).empty());
        EXPECT_TRUE(zipper.FilesList().empty());
        EXPECT_FALSE(zipper.Busy());
        EXPECT_EQ(zipper.SortMode(), ByName);
        ASSERT_EQ(zipper.Count(), 2);
        EXPECT_EQ(zipper.EntryFileName(0), "one.txt");  // the visible directory is by name
        EXPECT_EQ(zipper.EntryFileName(1), "two.bin");
    }
};

TEST(ZipperFailure, AFullDiskEndsTheOperationWithNotEnoughRoom) {
    Scene scene;
    for (int64_t room : {int64_t{0}, int64_t{40}, int64_t{9000}, int64_t{200000}}) {
        SCOPED_TRACE(room);
        TTestZipper zipper;
        scene.Prepare(zipper);
        zipper.Room = room;
        try {
            zipper.Zip();
            FAIL() << "no exception";
        } catch (const ENotEnoughRoom& error) {
            EXPECT_STREQ(error.what(), "Not enough room to write archive");
        }
        scene.ExpectNothingChanged(zipper);
    }
}

TEST(ZipperFailure, ANewArchiveThatCanNotBeFinishedIsRemoved) {
    Scene scene;
    TTestZipper zipper;
    const std::string fresh = (scene.Dir / "fresh.zip").string();
    zipper.SetZipName(fresh);
    zipper.Room = 1000;
    zipper.FilesList() = {scene.Big};
    EXPECT_THROW(zipper.Zip(), ENotEnoughRoom);
    EXPECT_FALSE(fs::exists(fresh));
}

TEST(ZipperFailure, CancelFromAProgressEventOrStopNowOrAHandlerException) {
    Scene scene;
    {
        TTestZipper zipper;
        scene.Prepare(zipper);
        zipper.OnFilePercentDone = [](TUnZipper& sender, int percent) {
            if (percent > 10) {
                sender.SetCancelRequested(true);
            }
        };
        try {
            zipper.Zip();
            FAIL() << "no exception";
        } catch (const EUserCanceled& error) {
            EXPECT_STREQ(error.what(), "User Aborted Operation");
        }
        EXPECT_FALSE(zipper.CancelRequested());
        scene.ExpectNothingChanged(zipper);
    }
    {
        TTestZipper zipper;
        scene.Prepare(zipper);
        bool completed = false;
        zipper.OnZipComplete = [&](TZipper&, int) { completed = true; };
        zipper.OnStartZipInfo = [](TZipper&, int, int64_t, TEndCentral&, bool& stopNow) {
            stopNow = true;
        };
        try {
            zipper.Zip();
            FAIL() << "no exception";
        } catch (const EUserCanceled& error) {
            EXPECT_STREQ(error.what(), "User canceled Zip operation");
        }
        EXPECT_FALSE(completed);
        scene.ExpectNothingChanged(zipper);
    }
    {
        TTestZipper zipper;
        scene.Prepare(zipper);
        zipper.OnEndZip = [](TZipper&, const std::string&, int64_t, int64_t, int64_t) {
            throw std::runtime_error("handler failed");
        };
        EXPECT_THROW(zipper.Zip(), std::runtime_error);
        scene.ExpectNothingChanged(zipper);
    }
}

TEST(ZipperFailure, AnInputFileThatFailsWhileReadEndsTheOperation) {
    Scene scene;
    TTestZipper zipper;
    scene.Prepare(zipper);
    zipper.FailingSource = scene.Big;
    EXPECT_THROW(zipper.Zip(), EStreamError);
    scene.ExpectNothingChanged(zipper);
}

TEST(ZipperFailure, AnInputFileThatCanNotBeOpenedIsSkippedOrRetried) {
    Scene scene;
    // A newer one.txt that is to replace the entry but can't be opened.
    const std::string locked = test::MakeFile(scene.Dir.Path(), "new/one.txt", "newer");
    TTestZipper zipper;
    scene.Prepare(zipper);
    zipper.LockedSource = locked;
    zipper.SetZipAction(zaReplace);
    int attempts = 0;
    zipper.OnSkippingFile = [&](TUnZipper&, TSkipReason reason, const std::string& name, int index,
                                bool& retry) {
        EXPECT_EQ(reason, skOpenError);
        EXPECT_EQ(name, locked);
        EXPECT_EQ(index, -1);
        retry = ++attempts < 3;
    };
    zipper.FilesList() = {locked, scene.Small};
    EXPECT_EQ(zipper.Zip(), 1);
    EXPECT_EQ(attempts, 3);
    // The entry it was to replace is still there, unchanged.
    EXPECT_EQ(test::ReadRawEntries(scene.Archive).size(), 3u);
    EXPECT_EQ(test::ExtractWithUnzip(scene.Archive)["one.txt"].Bytes, test::CompressibleText(5000));
}

TEST(ZipperFailure, AReplaceThatFailsKeepsBothTheOldAndTheNewArchive) {
    Scene scene;
    TTestZipper zipper;
    scene.Prepare(zipper);
    zipper.ReplaceFails = true;
    EXPECT_THROW(zipper.Zip(), EFileError);
    EXPECT_EQ(test::ReadFileBytes(scene.Archive), scene.Before);
    const auto kept = test::FilesIn(scene.Temp);
    ASSERT_EQ(kept.size(), 1u);
    const std::string keptPath = (fs::path(scene.Temp) / kept[0]).string();
    test::ExpectPeersAccept(keptPath);
    EXPECT_EQ(test::PythonNames(keptPath).size(), 4u);
}

// A source that says it is tiny and then delivers 4 GiB and a byte of zeros, as a file
// that grows while it is read.
class TGrowingSourceStream : public TStream {
  public:
    int64_t Read(void* data, int64_t count) override {
        const int64_t length = std::min(count, kDelivers - delivered_);
        std::memset(data, 0, static_cast<size_t>(length));
        delivered_ += length;
        return length;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin) override { return offset; }
    void SetSize(int64_t) override {}
    int64_t Size() override { return 1; }

  private:
    static constexpr int64_t kDelivers = (int64_t{1} << 32) + 1;
    int64_t delivered_ = 0;
};

class TGrowingZipper : public TTestZipper {
  public:
    std::string GrowingSource;

  protected:
    std::unique_ptr<TStream> OpenSourceFile(const std::string& fileName) override {
        if (fileName == GrowingSource) {
            return std::make_unique<TGrowingSourceStream>();
        }
        return TTestZipper::OpenSourceFile(fileName);
    }
};

TEST(ZipperFailure, AFileThatGrowsPastFourGibibytesWhileZippedIsAFormatLimit) {
    // Its local header got no ZIP64 field, and the header written again over itself can't
    // grow; the output keeps nothing, so no 4 GiB reach the disk.
    Scene scene;
    const std::string growing = test::MakeFile(scene.Dir.Path(), "new/growing.bin", "x");
    TGrowingZipper zipper;
    scene.Prepare(zipper);
    zipper.GrowingSource = growing;
    zipper.NearlyFull = true;
    zipper.SetPackLevel(0);
    zipper.FilesList() = {scene.Small, growing};
    try {
        zipper.Zip();
        FAIL() << "no error";
    } catch (const EFormatLimit& error) {
        EXPECT_NE(std::string(error.what()).find("grew past 4 GiB"), std::string::npos)
            << error.what();
    }
    scene.ExpectNothingChanged(zipper);
}

TEST(ZipperFailure, SixtyFiveThousandFiveHundredAndThirtySixEntriesTakeTheZip64EndRecord) {
    TempDir temp;
    test::ZipBuilder builder;
    for (int i = 0; i < 0xFFFF; ++i) {
        builder.Add(test::BuiltEntry("f" + std::to_string(i), ""));
    }
    const std::string archive = (temp / "full.zip").string();
    test::WriteFileBytes(archive, builder.Build());
    EXPECT_FALSE(test::HasZip64EndRecords(archive));
    const std::string extra = test::MakeFile(temp.Path(), "one-more.txt", "x");
    TZipper zipper;
    zipper.SetZipName(archive);
    zipper.SetTempPath(temp.Path().string());
    zipper.FilesList() = {extra};
    EXPECT_EQ(zipper.Zip(), 1);
    EXPECT_EQ(zipper.Count(), 0x10000);
    EXPECT_TRUE(test::HasZip64EndRecords(archive));
    EXPECT_EQ(test::FilesIn(temp.Path()).size(), 2u);
}

TEST(ZipperFailure, DuplicateNamesInTheOldArchiveStopTheRewrite) {
    TempDir temp;
    test::ZipBuilder builder;
    builder.Add(test::BuiltEntry("Readme.txt", "one"));
    builder.Add(test::BuiltEntry("README.TXT", "two"));
    const std::string archive = (temp / "twins.zip").string();
    test::WriteFileBytes(archive, builder.Build());
    const auto before = test::ReadFileBytes(archive);
    TZipper zipper;
    zipper.SetZipName(archive);
    zipper.SetTempPath(temp.Path().string());
    try {
        zipper.Zip();
        FAIL() << "no exception";
    } catch (const EListError& error) {
        EXPECT_STREQ(error.what(), "Duplicate Object index");
    }
    EXPECT_EQ(test::ReadFileBytes(archive), before);
    EXPECT_EQ(test::FilesIn(temp.Path()).size(), 1u);
}

}  // namespace
}  // namespace mobrel
