// MakeSFX: the program it writes is stub + block + an archive whose offsets are absolute,
// which the peers accept and our stub extracts; an existing archive or program is either
// rewritten whole or left byte for byte as it was, and no temporary copy outlives a call.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/engine_errors.h"
#include "sfx/sfx_test_support.h"
#include "writer/sfx_config.h"
#include "writer/zipper.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class MakeSfxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        names_ = test::MakeSourceTree(Source());
        fs::create_directories(Temp());
        zipper_.SetTempPath(Temp().string());
        zipper_.SetRootDir(Source().string());
        zipper_.SetRelativePaths(true);
        config_.AutoExtract = true;
        config_.BuildConfigBlock();
    }

    fs::path Source() const { return scratch_ / "source"; }
    fs::path Temp() const { return scratch_ / "temp"; }
    std::string At(const std::string& name) const { return (scratch_ / name).string(); }
    std::string Src(const std::string& name) const { return (Source() / name).string(); }
    const Bytes& Block() const { return config_.ConfigBlock(); }

    int Make(const std::string& program, const std::string& stub,
             std::vector<std::string> files = {"*"}) {
        zipper_.FilesList() = std::move(files);
        return zipper_.MakeSFX(stub, program, Block().data(), static_cast<int>(Block().size()));
    }
    int Make(const std::string& program) { return Make(program, test::StubPath().string()); }

    Bytes Prefix() const {
        Bytes prefix = test::ReadFileBytes(test::StubPath());
        prefix.insert(prefix.end(), Block().begin(), Block().end());
        return prefix;
    }

    // The program begins with exactly expected, and its first entry follows at once.
    void ExpectStartsWith(const std::string& program, const Bytes& expected) {
        const Bytes bytes = test::ReadFileBytes(program);
        ASSERT_GT(bytes.size(), expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin()));
        const auto entries = test::ReadRawEntries(program);
        ASSERT_FALSE(entries.empty());
        uint32_t first = UINT32_MAX;
        for (const auto& entry : entries) {
            first = std::min(first, entry.LocalHeaderOffset);
        }
        EXPECT_EQ(first, expected.size());
    }

    void ExpectNoTemporaryFilesLeft() { EXPECT_TRUE(fs::is_empty(Temp())); }

    test::TempDir scratch_;
    std::vector<std::string> names_;
    TSFXConfig config_;
    TZipper zipper_;
};

TEST_F(MakeSfxTest, ANewProgramIsExecutablePassesThePeersAndExtractsItself) {
    const std::string program = At("site.exe");
    EXPECT_EQ(Make(program), 3);
    EXPECT_TRUE(zipper_.FilesList().empty());
    EXPECT_EQ(zipper_.ZipName(), program);
    ExpectStartsWith(program, Prefix());
    EXPECT_NE(fs::status(program).permissions() & fs::perms::owner_exec, fs::perms::none);
    test::ExpectPeersAccept(program);
    const test::CommandResult ran = test::RunHeadless(program, "-d out", scratch_.Path());
    EXPECT_EQ(ran.ExitCode, 0) << ran.Output;
    EXPECT_TRUE(test::SameFiles(Source(), scratch_ / "out", names_));
    ExpectNoTemporaryFilesLeft();
}

TEST_F(MakeSfxTest, WithoutABlockTheArchiveFollowsTheStubAndNoCopyIsMade) {
    const std::string program = At("plain");
    zipper_.FilesList() = {"*"};
    EXPECT_EQ(zipper_.MakeSFX(test::StubPath().string(), program, nullptr, 0), 3);
    ExpectStartsWith(program, test::ReadFileBytes(test::StubPath()));
    test::ExpectPeersAccept(program);
    ExpectNoTemporaryFilesLeft();
    const test::CommandResult ran = test::RunHeadless(program, "-y -d out", scratch_.Path());
    EXPECT_EQ(ran.ExitCode, 0) << ran.Output;
    EXPECT_TRUE(test::SameFiles(Source(), scratch_ / "out", names_));
}

TEST_F(MakeSfxTest, AnExistingZipIsOnlyReadAndTheProgramGoesBesideIt) {
    const std::string archive = At("Site.ZIP");
    zipper_.SetZipName(archive);
    zipper_.FilesList() = {Src("readme.txt")};
    ASSERT_EQ(zipper_.Zip(), 1);
    const Bytes before = test::ReadFileBytes(archive);
    test::WriteFileBytes(At("Site.exe"), {'o', 'l', 'd'});  // replaced

    EXPECT_EQ(Make(archive, test::StubPath().string(), {Src("noise.bin"), Src("sub/lines.txt")}),
              2);
    EXPECT_EQ(test::ReadFileBytes(archive), before);
    EXPECT_EQ(zipper_.ZipName(), archive);
    const std::string program = At("Site.exe");
    ExpectStartsWith(program, Prefix());
    test::ExpectPeersAccept(program);
    std::vector<std::string> names = test::PythonNames(program);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, std::vector<std::string>({"noise.bin", "readme.txt", "sub/lines.txt"}));
    ExpectNoTemporaryFilesLeft();
}

TEST_F(MakeSfxTest, RewritingAProgramDropsItsOldStubAndKeepsItsEntries) {
    const std::string oldStub = At("old-stub");
    test::WriteFileText(oldStub, std::string(5000, 'S'));
    const std::string program = At("site.run");
    ASSERT_EQ(Make(program, oldStub, {Src("readme.txt")}), 1);

    config_.Caption = "Second edition";
    config_.BuildConfigBlock();
    EXPECT_EQ(Make(program, test::StubPath().string(), {Src("noise.bin")}), 1);
    ExpectStartsWith(program, Prefix());
    test::ExpectPeersAccept(program);
    std::vector<std::string> names = test::PythonNames(program);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, std::vector<std::string>({"noise.bin", "readme.txt"}));
    const test::CommandResult listed = test::RunHeadless(program, "-l", scratch_.Path());
    EXPECT_NE(listed.Output.find("Second edition"), std::string::npos) << listed.Output;
    ExpectNoTemporaryFilesLeft();
}

TEST_F(MakeSfxTest, EmptyNamesDoNothing) {
    zipper_.FilesList() = {"*"};
    EXPECT_EQ(zipper_.MakeSFX("", At("p"), Block().data(), static_cast<int>(Block().size())), 0);
    EXPECT_EQ(zipper_.MakeSFX(test::StubPath().string(), "", Block().data(), 1), 0);
    EXPECT_TRUE(fs::is_empty(Temp()));
    EXPECT_FALSE(fs::exists(At("p")));
}

TEST_F(MakeSfxTest, AMissingStubWritesNothingAndChangesNothing) {
    const std::string archive = At("site.zip");
    zipper_.SetZipName(archive);
    zipper_.FilesList() = {Src("readme.txt")};
    ASSERT_EQ(zipper_.Zip(), 1);
    const Bytes before = test::ReadFileBytes(archive);
    EXPECT_THROW(Make(archive, At("no-such-stub")), EFileError);
    EXPECT_THROW(Make(At("new.exe"), At("no-such-stub")), EFileError);
    EXPECT_TRUE(zipper_.FilesList().empty());
    EXPECT_EQ(test::ReadFileBytes(archive), before);
    EXPECT_FALSE(fs::exists(At("site.exe")));
    EXPECT_FALSE(fs::exists(At("new.exe")));
    ExpectNoTemporaryFilesLeft();
}

TEST_F(MakeSfxTest, ACancelledZipLeavesTheOldProgramAndNoCopyBehind) {
    const std::string program = At("site.exe");
    ASSERT_EQ(Make(program), 3);
    const Bytes before = test::ReadFileBytes(program);
    test::WriteFileText(Source() / "extra.txt", "new");
    zipper_.OnStartZipInfo = [](TZipper&, int, int64_t, TEndCentral&, bool& stopNow) {
        stopNow = true;
    };
    EXPECT_THROW(Make(program, test::StubPath().string(), {Src("extra.txt")}), EUserCanceled);
    EXPECT_EQ(test::ReadFileBytes(program), before);
    EXPECT_THROW(Make(At("fresh.exe"), test::StubPath().string(), {Src("readme.txt")}),
                 EUserCanceled);
    EXPECT_FALSE(fs::exists(At("fresh.exe")));
    ExpectNoTemporaryFilesLeft();
    // The mode is off again: a plain zip afterwards has no prefix.
    zipper_.OnStartZipInfo = nullptr;
    zipper_.SetZipName(At("plain.zip"));
    zipper_.FilesList() = {Src("readme.txt")};
    ASSERT_EQ(zipper_.Zip(), 1);
    EXPECT_EQ(test::ReadRawEntries(At("plain.zip")).front().LocalHeaderOffset, 0u);
}

TEST_F(MakeSfxTest, PendingCommentsAreSavedWithoutLosingTheFilesToZip) {
    const std::string archive = At("notes.zip");
    zipper_.SetZipName(archive);
    zipper_.FilesList() = {Src("readme.txt")};
    ASSERT_EQ(zipper_.Zip(), 1);
    zipper_.SetZipComment("saved first");
    EXPECT_TRUE(zipper_.CommentsModified());
    EXPECT_EQ(Make(At("notes.exe"), test::StubPath().string(), {Src("noise.bin")}), 1);
    TUnZipper reader;
    reader.SetZipName(archive);
    reader.ReadZip();
    EXPECT_EQ(reader.ZipComment(), "saved first");
}

}  // namespace
}  // namespace mobrel
