#include "platform/file_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/engine_errors.h"
#include "test_support.h"

namespace mobrel {
namespace {

template <typename Action>
std::string ErrorOf(Action action) {
    try {
        action();
    } catch (const EFileError& e) {
        return e.what();
    }
    return "no EFileError";
}

TEST(FileStream, OpenAndCreateFailuresNameTheFileAndTheReason) {
    test::TempDir dir;
    const std::string missing = (dir / "missing.zip").string();
    EXPECT_EQ(ErrorOf([&] { TFileStream f(missing, TFileMode::OpenRead); }),
              "Cannot open file \"" + missing + "\". No such file or directory");
    const std::string inMissingFolder = (dir / "no" / "new.zip").string();
    EXPECT_EQ(ErrorOf([&] { TFileStream f(inMissingFolder, TFileMode::Create); }),
              "Cannot create file \"" + inMissingFolder + "\". No such file or directory");
    // A folder opens read-only under POSIX but is no file.
    EXPECT_EQ(ErrorOf([&] { TFileStream f(dir.Path().string(), TFileMode::OpenRead); }),
              "Cannot open file \"" + dir.Path().string() + "\". Is a directory");
}

TEST(FileStream, CreateTruncatesAndReadsBackWhatWasWritten) {
    test::TempDir dir;
    const std::string name = (dir / "a.bin").string();
    test::WriteFileText(name, "old content that must go");
    std::vector<uint8_t> data(100000);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 7);
    }
    {
        TFileStream out(name, TFileMode::Create);
        EXPECT_EQ(out.Write(data.data(), 100000), 100000);
        EXPECT_EQ(out.Size(), 100000);
        EXPECT_TRUE(out.Commit());
    }
    TFileStream in(name, TFileMode::OpenRead);
    std::vector<uint8_t> back(200000);
    // A read past the end delivers what there is; the next one delivers nothing.
    EXPECT_EQ(in.Read(back.data(), 200000), 100000);
    back.resize(100000);
    EXPECT_EQ(back, data);
    EXPECT_EQ(in.Read(back.data(), 1), 0);
}

TEST(FileStream, SeekFromEveryOriginAndRefusesUnknownOnesAndNegativePositions) {
    test::TempDir dir;
    const std::string name = (dir / "a.bin").string();
    test::WriteFileText(name, "0123456789");
    TFileStream f(name, TFileMode::OpenReadWrite);
    EXPECT_EQ(f.Seek(-3, soEnd), 7);
    EXPECT_EQ(f.Seek(1, soCurrent), 8);
    EXPECT_EQ(f.Seek(2, soBeginning), 2);
    char c = 0;
    EXPECT_EQ(f.Read(&c, 1), 1);
    EXPECT_EQ(c, '2');
    EXPECT_THROW(f.Seek(0, static_cast<TSeekOrigin>(7)), EGeneralError);
    EXPECT_THROW(f.Seek(-1, soBeginning), EStreamError);
    EXPECT_EQ(f.Position(), 3);  // a refused seek leaves the position alone
}

TEST(FileStream, SetSizeTruncatesAndPullsThePositionBack) {
    test::TempDir dir;
    const std::string name = (dir / "a.bin").string();
    test::WriteFileText(name, "0123456789");
    TFileStream f(name, TFileMode::OpenReadWrite);
    f.Seek(8, soBeginning);
    f.SetSize(4);
    EXPECT_EQ(f.Size(), 4);
    EXPECT_EQ(f.Position(), 4);
    f.SetSize(6);  // extending keeps the position
    EXPECT_EQ(f.Position(), 4);
    EXPECT_EQ(test::ReadFileBytes(name), (std::vector<uint8_t>{'0', '1', '2', '3', 0, 0}));
}

TEST(FileStream, WrongDirectionTransfersRaiseInsteadOfLookingLikeTheEnd) {
    test::TempDir dir;
    const std::string name = (dir / "a.bin").string();
    test::WriteFileText(name, "0123456789");
    char buffer[4] = {};
    {
        TFileStream f(name, TFileMode::OpenWrite);
        EXPECT_THROW(f.Read(buffer, 4), EStreamError);
    }
    TFileStream f(name, TFileMode::OpenRead);
    EXPECT_THROW(f.Write(buffer, 4), EStreamError);
}

TEST(FileStream, AFullDiskIsAShortWriteNotAnError) {
    // /dev/full takes no byte and reports ENOSPC, as a full disk does.
    TFileStream f("/dev/full", TFileMode::OpenWrite);
    const char data[16] = {};
    EXPECT_EQ(f.Write(data, 16), 0);
}

TEST(FileStream, HandlesAreNotInheritedByChildPrograms) {
    test::TempDir dir;
    const std::string name = (dir / "a.bin").string();
    TFileStream f(name, TFileMode::Create);
    EXPECT_NE(fcntl(f.Handle(), F_GETFD) & FD_CLOEXEC, 0);
}

}  // namespace
}  // namespace mobrel
