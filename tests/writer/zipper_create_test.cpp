// Creating archives with the writer: what the peers make of them (names, bytes, dates and
// the read-only attribute), the header fields of stored, deflated, encrypted and folder
// entries, and the path-storing switches.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "codecs/crc32.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "writer/zipper.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr int64_t kJune2021 = 1623758400;  // 2021-06-15 12:00:00 UTC

struct SourceTree {
    TempDir Dir;
    std::string Text, Binary, Empty, ReadOnly, Nested;

    SourceTree() {
        Text = test::MakeFile(Dir.Path(), "src/text.txt", test::CompressibleText(100000));
        Binary = test::MakeFile(Dir.Path(), "src/binary.bin", test::RandomBytes(50000, 7));
        Empty = test::MakeFile(Dir.Path(), "src/empty.txt", "");
        ReadOnly = test::MakeFile(Dir.Path(), "src/locked.txt", "do not change me\n");
        Nested = test::MakeFile(Dir.Path(), "src/sub/deeper/nested.txt", "nested\n");
        for (const std::string* path : {&Text, &Binary, &Empty, &ReadOnly, &Nested}) {
            test::SetFileTime(*path, kJune2021);
        }
        fs::permissions(ReadOnly,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }
    std::string Src() const { return (Dir.Path() / "src").string() + "/"; }
    std::string Archive() const { return (Dir.Path() / "out.zip").string(); }
};

std::string Contents(const std::string& path) {
    const auto bytes = test::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void ExpectTreeMatches(const test::ExtractedTree& tree, const SourceTree& source,
                       const std::string& prefix, bool checkAttributes) {
    ASSERT_EQ(tree.size(), 5u);
    for (const auto& [relative, original] : std::vector<std::pair<std::string, std::string>>{
             {"text.txt", source.Text},
             {"binary.bin", source.Binary},
             {"empty.txt", source.Empty},
             {"locked.txt", source.ReadOnly},
             {"sub/deeper/nested.txt", source.Nested}}) {
        SCOPED_TRACE(relative);
        const auto found = tree.find(prefix + relative);
        ASSERT_NE(found, tree.end());
        EXPECT_EQ(found->second.Bytes, Contents(original));
        if (checkAttributes) {
            EXPECT_EQ(found->second.ModifiedTime, kJune2021);
            EXPECT_EQ(found->second.ReadOnly, relative == "locked.txt");
        }
    }
}

TEST(ZipperCreate, RelativePathsUnderRootDirExtractIdenticallyWithEveryPeer) {
    SourceTree source;
    TZipper zipper;
    zipper.SetZipName(source.Archive());
    zipper.SetRootDir(source.Src());
    zipper.SetRelativePaths(true);
    zipper.FilesList() = {"*"};
    EXPECT_EQ(zipper.Zip(), 5);
    EXPECT_TRUE(zipper.FilesList().empty());

    test::ExpectPeersAccept(source.Archive());
    ExpectTreeMatches(test::ExtractWithUnzip(source.Archive()), source, "", true);
    ExpectTreeMatches(test::ExtractWith7z(source.Archive()), source, "", false);
    ExpectTreeMatches(test::ExtractWithPython(source.Archive()), source, "", false);
    std::vector<std::string> names = test::PythonNames(source.Archive());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"binary.bin", "empty.txt", "locked.txt",
                                               "sub/deeper/nested.txt", "text.txt"}));
    // The writer's directory is the new archive's, without reading it again.
    EXPECT_EQ(zipper.Count(), 5);
}

TEST(ZipperCreate, EntryFieldsForDeflatedStoredEmptyAndNoCompressFiles) {
    SourceTree source;
    TZipper zipper;
    zipper.SetZipName(source.Archive());
    zipper.SetNoCompressList({"*.BIN"});
    zipper.SetPackLevel(9);
    zipper.FilesList() = {source.Text, source.Binary, source.Empty, source.ReadOnly};
    EXPECT_EQ(zipper.Zip(), 4);
    const auto entries = test::ReadRawEntries(source.Archive());
    ASSERT_EQ(entries.size(), 4u);
    // Without StorePaths only the file names are stored.
    EXPECT_EQ(entries[0].Name, "text.txt");
    EXPECT_EQ(entries[0].Method, 8);
    EXPECT_EQ(entries[0].Flags, 2);  // level 9: maximum compression
    EXPECT_LT(entries[0].CompressedSize, 10000u);
    EXPECT_EQ(entries[0].Crc, Crc32Of(Contents(source.Text).data(), 100000));
    EXPECT_EQ(entries[1].Method, 0);  // matched the no-compress list, case-insensitively
    EXPECT_EQ(entries[1].CompressedSize, 50000u);
    EXPECT_EQ(entries[2].Method, 0);  // nothing to compress
    EXPECT_EQ(entries[2].Flags, 0);
    EXPECT_EQ(entries[2].CompressedSize, 0u);
    EXPECT_EQ(zipper.EntryInfo(0).InternalAttributes, 1);  // text
    EXPECT_EQ(zipper.EntryInfo(1).InternalAttributes, 0);  // stored
    // The low byte: archive + read-only; the high half the file's st_mode.
    EXPECT_EQ(zipper.EntryInfo(3).ExternalAttributes & 0xFF, 0x21u);
    EXPECT_EQ(zipper.EntryInfo(3).ExternalAttributes >> 16 & 0170222, 0100000u);
    test::ExpectPeersAccept(source.Archive());
}

TEST(ZipperCreate, LevelsSetTheirFlagBitsAndLevelZeroStoresEverything) {
    SourceTree source;
    for (const auto& [level, method, flags] :
         std::vector<std::tuple<int, uint16_t, uint16_t>>{{0, 0, 0}, {1, 8, 4}, {6, 8, 0}}) {
        SCOPED_TRACE(level);
        const std::string archive =
            (source.Dir / ("level" + std::to_string(level) + ".zip")).string();
        TZipper zipper;
        zipper.SetZipName(archive);
        zipper.SetPackLevel(level);
        zipper.FilesList() = {source.Text};
        EXPECT_EQ(zipper.Zip(), 1);
        const auto entries = test::ReadRawEntries(archive);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].Method, method);
        EXPECT_EQ(entries[0].Flags, flags);
        test::ExpectPeersAccept(archive);
    }
}

TEST(ZipperCreate, EncryptedEntriesOpenWithThePasswordInEveryPeer) {
    SourceTree source;
    TZipper zipper;
    zipper.SetZipName(source.Archive());
    zipper.SetPassword("Secret 123");
    zipper.SetStorePaths(true);
    zipper.SetRelativePaths(true);
    zipper.SetRootDir(source.Src());
    zipper.FilesList() = {"*"};
    EXPECT_EQ(zipper.Zip(), 5);
    for (const test::RawEntry& entry : test::ReadRawEntries(source.Archive())) {
        SCOPED_TRACE(entry.Name);
        EXPECT_EQ(entry.Flags & 1, 1);
        EXPECT_EQ(entry.Data.size(), entry.CompressedSize);
        EXPECT_GE(entry.CompressedSize, 12u);
    }
    test::ExpectPeersAccept(source.Archive(), "Secret 123");
    ExpectTreeMatches(test::ExtractWithUnzip(source.Archive(), "Secret 123"), source, "", true);
    ExpectTreeMatches(test::ExtractWith7z(source.Archive(), "Secret 123"), source, "", false);
    ExpectTreeMatches(test::ExtractWithPython(source.Archive(), "Secret 123"), source, "", false);
    EXPECT_NE(test::RunCommand("unzip -t -P wrong " + test::ShellQuote(source.Archive())).ExitCode,
              0);
}

TEST(ZipperCreate, StoredPathsKeepTheWholeFolderWithoutItsLeadingSeparator) {
    SourceTree source;
    TZipper zipper;
    zipper.SetZipName(source.Archive());
    zipper.SetStorePaths(true);
    zipper.FilesList() = {source.Nested};
    EXPECT_EQ(zipper.Zip(), 1);
    std::string expected = source.Nested.substr(1);
    EXPECT_EQ(test::PythonNames(source.Archive()), std::vector<std::string>{expected});

    // A file outside RootDir keeps its own folder.
    const std::string other = (source.Dir / "other.zip").string();
    TZipper relative;
    relative.SetZipName(other);
    relative.SetRelativePaths(true);
    relative.SetRootDir(source.Src() + "sub/");
    relative.FilesList() = {source.Nested, source.Text};
    EXPECT_EQ(relative.Zip(), 2);
    EXPECT_EQ(test::PythonNames(other),
              (std::vector<std::string>{"deeper/nested.txt", source.Text.substr(1)}));
}

TEST(ZipperCreate, FolderEntriesAndNamesRelativeToRootDir) {
    SourceTree source;
    TZipper zipper;
    zipper.SetZipName(source.Archive());
    zipper.SetRelativePaths(true);
    zipper.SetRootDir(source.Src());
    // A name without a folder is taken from RootDir; a name ending in '/' is a folder entry.
    zipper.FilesList() = {"text.txt", source.Src() + "sub/"};
    EXPECT_EQ(zipper.Zip(), 2);
    const auto entries = test::ReadRawEntries(source.Archive());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Name, "text.txt");
    EXPECT_EQ(entries[1].Name, "sub/");
    EXPECT_EQ(entries[1].Method, 0);
    EXPECT_EQ(entries[1].CompressedSize, 0u);
    // A folder: the DOS folder bit beside the folder's st_mode.
    EXPECT_EQ(zipper.EntryInfo(1).ExternalAttributes & 0xFF, 0x10u);
    EXPECT_EQ(zipper.EntryInfo(1).ExternalAttributes >> 16 & 0170000, 040000u);
    test::ExpectPeersAccept(source.Archive());
}

TEST(ZipperCreate, DuplicateStoredNameIsSkippedAndMissingFilesReported) {
    SourceTree source;
    const std::string twin = test::MakeFile(source.Dir.Path(), "elsewhere/text.txt", "twin");
    TZipper zipper;
    zipper.SetZipName(source.Archive());
    std::vector<std::string> skipped;
    zipper.OnSkippingFile = [&](TUnZipper&, TSkipReason reason, const std::string& name, int index,
                                bool&) {
        EXPECT_EQ(reason, skNoOverwrite);
        EXPECT_EQ(index, -1);
        skipped.push_back(name);
    };
    std::vector<std::string> missing;
    zipper.OnNoSuchFile = [&](TZipper&, const std::string& name) { missing.push_back(name); };
    const std::string absent = (source.Dir / "absent.txt").string();
    zipper.FilesList() = {source.Text, twin, absent};
    EXPECT_EQ(zipper.Zip(), 1);
    EXPECT_EQ(skipped, std::vector<std::string>{twin});
    EXPECT_EQ(missing, std::vector<std::string>{absent});
    EXPECT_EQ(Contents(source.Text), test::ExtractWithUnzip(source.Archive())["text.txt"].Bytes);
}

TEST(ZipperCreate, NothingHappensWithoutAnArchiveName) {
    SourceTree source;
    TZipper zipper;
    zipper.SetZipName("   ");
    zipper.FilesList() = {source.Text};
    EXPECT_EQ(zipper.Zip(), 0);
    EXPECT_TRUE(zipper.FilesList().empty());
    EXPECT_FALSE(fs::exists("   "));
}

}  // namespace
}  // namespace mobrel
