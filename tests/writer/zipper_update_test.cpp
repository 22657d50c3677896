// Updating existing archives: update, replace and freshen by date, kept entries of peer
// archives copied byte for byte (data descriptors written afresh), deleting entries,
// saving changed comments and disposing of zipped files.
#include <gtest/gtest.h>

#include <filesystem>

#include "format/zip_builder.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "writer/zipper.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr int64_t kBase = 1623758400;  // 2021-06-15 12:00:00 UTC

std::string CopyTestArchive(const TempDir& temp, const std::string& name) {
    const fs::path target = temp / name;
    fs::copy_file(test::TestDataDir() / name, target);
    return target.string();
}

std::string Bytes(const std::string& path) {
    const auto bytes = test::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Three files zipped at kBase; the test then changes them as it needs.
struct ZippedFolder {
    TempDir Dir;
    std::string A, B, C, Archive;

    ZippedFolder() {
        A = test::MakeFile(Dir.Path(), "src/a.txt", "first a\n");
        B = test::MakeFile(Dir.Path(), "src/b.txt", "first b\n");
        C = test::MakeFile(Dir.Path(), "src/c.txt", "first c\n");
        for (const std::string* path : {&A, &B, &C}) {
            test::SetFileTime(*path, kBase);
        }
        Archive = (Dir / "archive.zip").string();
        TZipper zipper;
        zipper.SetZipName(Archive);
        zipper.FilesList() = {A, B};
        EXPECT_EQ(zipper.Zip(), 2);
    }

    void Rewrite(const std::string& path, const std::string& text, int64_t time) {
        test::WriteFileText(path, text);
        test::SetFileTime(path, time);
    }
};

struct UpdateLog {
    std::vector<std::pair<TUpdateAction, int>> Events;
    void Attach(TZipper& zipper) {
        zipper.OnUpdate = [this](TZipper&, TUpdateAction action, int index) {
            Events.emplace_back(action, index);
        };
    }
};

TEST(ZipperUpdate, UpdateReplacesOnlyOlderEntriesAndAddsNewFilesAfterTheKeptOnes) {
    ZippedFolder folder;
    folder.Rewrite(folder.A, "newer a\n", kBase + 100);
    folder.Rewrite(folder.B, "older b\n", kBase - 100);
    TZipper zipper;
    UpdateLog log;
    log.Attach(zipper);
    zipper.SetZipName(folder.Archive);
    zipper.SetZipAction(zaUpdate);
    zipper.FilesList() = {folder.C, folder.A, folder.B};
    EXPECT_EQ(zipper.Zip(), 2);  // a replaced, c added; b's entry is not older
    EXPECT_EQ(log.Events,
              (std::vector<std::pair<TUpdateAction, int>>{{uaReplace, 0}, {uaKeep, 1}}));
    EXPECT_EQ(test::PythonNames(folder.Archive),
              (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    auto tree = test::ExtractWithUnzip(folder.Archive);
    EXPECT_EQ(tree["a.txt"].Bytes, "newer a\n");
    EXPECT_EQ(tree["b.txt"].Bytes, "first b\n");
    EXPECT_EQ(tree["c.txt"].Bytes, "first c\n");
    test::ExpectPeersAccept(folder.Archive);
}

TEST(ZipperUpdate, TheUpdatedArchiveKeepsThePermissionsOfTheOldOne) {
    ZippedFolder folder;
    fs::permissions(folder.Archive, fs::perms::owner_read | fs::perms::owner_write |
                                        fs::perms::group_read | fs::perms::others_read);
    TZipper zipper;
    zipper.SetZipName(folder.Archive);
    zipper.FilesList() = {folder.C};
    EXPECT_EQ(zipper.Zip(), 1);
    EXPECT_EQ(fs::status(folder.Archive).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
}

TEST(ZipperUpdate, ReplaceExistingWritesTheListAloneOverAnArchiveOrAnyOtherFile) {
    ZippedFolder folder;
    TZipper zipper;
    zipper.SetZipName(folder.Archive);
    zipper.ReadZip();  // the old directory in the engine must not come back either
    zipper.SetReplaceExisting(true);
    zipper.FilesList() = {folder.C};
    EXPECT_EQ(zipper.Zip(), 1);
    EXPECT_EQ(test::PythonNames(folder.Archive), std::vector<std::string>{"c.txt"});
    EXPECT_EQ(zipper.Count(), 1);
    test::ExpectPeersAccept(folder.Archive);

    // The file it replaces need not be an archive.
    const std::string notAnArchive = test::MakeFile(folder.Dir.Path(), "notes.zip", "text\n");
    zipper.SetZipName(notAnArchive);
    zipper.FilesList() = {folder.A};
    EXPECT_EQ(zipper.Zip(), 1);
    EXPECT_EQ(test::PythonNames(notAnArchive), std::vector<std::string>{"a.txt"});

    // A failure leaves the old file as it was.
    const std::string before = Bytes(folder.Archive);
    zipper.SetZipName(folder.Archive);
    zipper.OnEndZip = [](TZipper&, const std::string&, int64_t, int64_t, int64_t) {
        throw std::runtime_error("handler failed");
    };
    zipper.FilesList() = {folder.A, folder.B};
    EXPECT_THROW(zipper.Zip(), std::runtime_error);
    EXPECT_EQ(Bytes(folder.Archive), before);
}

TEST(ZipperUpdate, ReplaceIgnoresDatesAndFreshenNeverAddsFiles) {
    ZippedFolder folder;
    folder.Rewrite(folder.A, "older a\n", kBase - 100);
    folder.Rewrite(folder.B, "newer b\n", kBase + 100);
    {
        TZipper zipper;
        zipper.SetZipName(folder.Archive);
        zipper.SetZipAction(zaFreshen);
        zipper.FilesList() = {folder.A, folder.B, folder.C};
        EXPECT_EQ(zipper.Zip(), 1);
        auto tree = test::ExtractWithUnzip(folder.Archive);
        EXPECT_EQ(tree.size(), 2u);
        EXPECT_EQ(tree["a.txt"].Bytes, "first a\n");
        EXPECT_EQ(tree["b.txt"].Bytes, "newer b\n");
    }
    {
        TZipper zipper;
        zipper.SetZipName(folder.Archive);
        zipper.SetZipAction(zaReplace);
        zipper.FilesList() = {folder.A};
        EXPECT_EQ(zipper.Zip(), 1);
        EXPECT_EQ(test::ExtractWithUnzip(folder.Archive)["a.txt"].Bytes, "older a\n");
    }
    test::ExpectPeersAccept(folder.Archive);
}

TEST(ZipperUpdate, AFileAsOldAsItsEntryIsKeptUncountedAndStillDisposed) {
    ZippedFolder folder;
    const std::string before = Bytes(folder.Archive);
    TZipper zipper;
    zipper.SetZipName(folder.Archive);
    zipper.SetDispose(true);
    std::vector<std::string> disposed;
    zipper.OnDisposeFile = [&](TZipper&, const std::string& name, bool& skip) {
        disposed.push_back(name);
        skip = name == folder.B;
    };
    zipper.FilesList() = {folder.A, folder.B};
    EXPECT_EQ(zipper.Zip(), 0);
    EXPECT_EQ(disposed, (std::vector<std::string>{folder.A, folder.B}));
    EXPECT_FALSE(fs::exists(folder.A));
    EXPECT_TRUE(fs::exists(folder.B));
    // Every entry kept: the archive is written again exactly as it was.
    EXPECT_EQ(Bytes(folder.Archive), before);
}

TEST(ZipperUpdate, AReplacementThatIsSkippedKeepsTheOldEntry) {
    ZippedFolder folder;
    folder.Rewrite(folder.A, "newer a\n", kBase + 100);
    TZipper zipper;
    UpdateLog log;
    log.Attach(zipper);
    zipper.SetZipName(folder.Archive);
    zipper.OnStartZip = [](TZipper&, const std::string&, TZipHeaderInfo&, bool& skip) {
        skip = true;
    };
    zipper.FilesList() = {folder.A};
    EXPECT_EQ(zipper.Zip(), 0);
    EXPECT_EQ(log.Events,
              (std::vector<std::pair<TUpdateAction, int>>{{uaReplace, 0}, {uaKeep, 0}}));
    auto tree = test::ExtractWithUnzip(folder.Archive);
    EXPECT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree["a.txt"].Bytes, "first a\n");
}

TEST(ZipperUpdate, AnEntryThatFailedItsTestIsStillKept) {
    TempDir temp;
    const std::string archive = CopyTestArchive(temp, "corrupt-bad-crc--jszip.zip");
    const auto before = test::ReadRawEntries(archive);
    const std::string added = test::MakeFile(temp.Path(), "added.txt", "added\n");
    TZipper zipper;
    zipper.SetZipName(archive);
    zipper.ReadZip();
    EXPECT_FALSE(zipper.TestEntry(0));
    zipper.FilesList() = {added};
    EXPECT_EQ(zipper.Zip(), 1);
    const auto after = test::ReadRawEntries(archive);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].Data, before[0].Data);
}

struct PeerArchive {
    const char* Name;
    const char* Password;
};

TEST(ZipperUpdate, PeerArchivesKeepTheirUntouchedEntriesByteForByte) {
    TempDir temp;
    const std::string added = test::MakeFile(temp.Path(), "added.txt", "added by us\n");
    for (const PeerArchive& peer :
         {PeerArchive{"m08-deflate-infozip30-unix--infozip-gen.zip", ""},
          PeerArchive{"comment-archive-and-file-comments--infozip-gen.zip", ""},
          PeerArchive{"comment-utf8-file-and-archive--python-gen.zip", ""},
          PeerArchive{"dd-7z-stdout-stream--7z-gen.zip", ""},
          PeerArchive{"dd-python-unseekable--python-gen.zip", ""},
          PeerArchive{"enc-zipcrypto-deflate-pw-Secret-123--infozip-gen.zip", "Secret-123"},
          PeerArchive{"sfx-unzipsfx-stub-offsets-adjusted--infozip-gen.zip", ""}}) {
        SCOPED_TRACE(peer.Name);
        const std::string archive = CopyTestArchive(temp, peer.Name);
        const auto before = test::ReadRawEntries(archive);
        const auto commentsBefore = test::RunCommand(
            "python3 -c 'import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
            "print(z.comment, [i.comment for i in z.infolist()])' " +
            test::ShellQuote(archive));
        TZipper zipper;
        zipper.SetZipName(archive);
        zipper.FilesList() = {added};
        EXPECT_EQ(zipper.Zip(), 1);
        const auto after = test::ReadRawEntries(archive);
        ASSERT_EQ(after.size(), before.size() + 1);
        for (size_t i = 0; i < before.size(); ++i) {
            SCOPED_TRACE(before[i].Name);
            EXPECT_EQ(after[i].Data, before[i].Data);
            EXPECT_EQ(after[i].Flags & 0x0F, before[i].Flags & 0x0F);
            if (before[i].Flags & 8) {
                // A fresh descriptor follows the data, so the flag still tells the truth.
                ASSERT_EQ(after[i].AfterData.size(), 16u);
                EXPECT_EQ(after[i].AfterData.substr(0, 4), std::string("PK\7\x8", 4));
                EXPECT_EQ(after[i].AfterData.substr(4, 4),
                          std::string(reinterpret_cast<const char*>(&before[i].Crc), 4));
            }
        }
        EXPECT_EQ(after.front().LocalHeaderOffset, 0u);  // a self-extractor's stub is dropped
        test::ExpectPeersAccept(archive, peer.Password);
        EXPECT_EQ(
            test::RunCommand("python3 -c 'import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
                             "print(z.comment, [i.comment for i in z.infolist()][:-1])' " +
                             test::ShellQuote(archive))
                .Output,
            commentsBefore.Output);
    }
}

TEST(ZipperUpdate, DataDescriptorsLetARebuildFromLocalHeadersFindEveryEntry) {
    TempDir temp;
    const std::string archive = CopyTestArchive(temp, "dd-infozip-stdout-stream--infozip-gen.zip");
    TZipper zipper;
    zipper.SetZipName(archive);
    EXPECT_EQ(zipper.Zip(), 0);
    const int entries = zipper.Count();
    ASSERT_EQ(entries, 7);
    test::ExpectPeersAccept(archive);
    // Cut off the central directory: the entries must still all be found.
    auto bytes = test::ReadFileBytes(archive);
    const auto raw = test::ReadRawEntries(archive);
    const size_t dataEnd =
        raw.back().LocalHeaderOffset + 30 + raw.back().Name.size() + raw.back().CompressedSize + 16;
    bytes.resize(dataEnd);
    const std::string cut = (temp / "cut.zip").string();
    test::WriteFileBytes(cut, bytes);
    TUnZipper reader;
    reader.SetIncompleteZipMode(izAssumeBad);
    reader.SetZipName(cut);
    reader.ReadZip();
    EXPECT_TRUE(reader.DirectoryRebuilt());
    EXPECT_EQ(reader.Count(), entries);
}

TEST(ZipperDelete, BySelectionByPlainNameAndByPattern) {
    TempDir temp;
    const std::string archive =
        CopyTestArchive(temp, "m08-deflate-infozip30-unix--infozip-gen.zip");
    const auto names = test::PythonNames(archive);
    TZipper zipper;
    zipper.SetZipName(archive);
    zipper.ReadZip();
    zipper.SetEntrySelected(0, true);              // tiny.txt
    zipper.FilesList() = {"docs/hamlet_30k.txt"};  // ignored while entries are selected
    EXPECT_EQ(zipper.DeleteEntries(), 1);
    EXPECT_EQ(zipper.SelectedCount(), 0);
    EXPECT_EQ(test::PythonNames(archive).size(), names.size() - 1);

    // A plain name deletes one entry, compared without regard to case.
    std::vector<std::string> offered;
    zipper.OnDeleteEntry = [&](TZipper&, const std::string& name, bool& skip) {
        offered.push_back(name);
        skip = name == "bin\\random_8k.bin";
    };
    zipper.FilesList() = {"DOCS/Hamlet_30k.txt"};
    EXPECT_EQ(zipper.DeleteEntries(), 1);
    EXPECT_EQ(offered, std::vector<std::string>{"docs\\hamlet_30k.txt"});

    // A pattern deletes every match; one the handler keeps does not stop it.
    offered.clear();
    zipper.FilesList() = {"bin/*"};
    EXPECT_EQ(zipper.DeleteEntries(), 2);
    EXPECT_EQ(offered.size(), 3u);
    EXPECT_EQ(test::PythonNames(archive).size(), names.size() - 4);
    test::ExpectPeersAccept(archive);

    // Nothing chosen: the archive is written again unchanged.
    const std::string before = Bytes(archive);
    EXPECT_EQ(zipper.DeleteEntries(), 0);
    EXPECT_EQ(Bytes(archive), before);
}

TEST(ZipperDelete, TheNameAsListedDeletesEvenWhenItIsNotValidText) {
    // Names from a Unix host are kept byte for byte, whatever their encoding was.
    TempDir temp;
    test::ZipBuilder builder;
    builder.Add({"sjis-\x83\x65\x83\x58\x83\x67.txt", "shift-jis"});
    builder.Add({"bad\xff\xfe\xc0\xaf.txt", "invalid"});
    builder.Add({"plain.txt", "plain"});
    const std::string archive = (temp / "names.zip").string();
    test::WriteFileBytes(archive, builder.Build());
    TZipper zipper;
    zipper.SetZipName(archive);
    zipper.ReadZip();
    ASSERT_EQ(zipper.Count(), 3);
    zipper.FilesList() = {zipper.EntryFullName(0), zipper.EntryFullName(1)};
    EXPECT_EQ(zipper.DeleteEntries(), 2);
    EXPECT_EQ(test::PythonNames(archive), std::vector<std::string>{"plain.txt"});
}

TEST(ZipperDelete, AnArchiveThatDoesNotExistBecomesAnEmptyOne) {
    TempDir temp;
    const std::string archive = (temp / "new.zip").string();
    TZipper zipper;
    zipper.SetZipName(archive);
    zipper.FilesList() = {"*"};
    EXPECT_EQ(zipper.DeleteEntries(), 0);
    EXPECT_EQ(fs::file_size(archive), 22u);
    EXPECT_TRUE(zipper.FilesList().empty());
}

TEST(ZipperComments, SavedBySaveModifiedZipFileAndBeforeAnotherArchiveIsNamed) {
    TempDir temp;
    const std::string archive =
        CopyTestArchive(temp, "comment-archive-and-file-comments--infozip-gen.zip");
    const auto before = test::ReadRawEntries(archive);
    TZipper zipper;
    zipper.SetZipName(archive);
    zipper.ReadZip();
    zipper.SetZipComment("a new archive comment");
    zipper.SetEntryComment(1, "about hamlet");
    zipper.SetEntryComment(0, "");
    zipper.SaveModifiedZipFile();
    EXPECT_FALSE(zipper.CommentsModified());
    EXPECT_EQ(zipper.ZipComment(), "a new archive comment");
    const std::string listing =
        "python3 -c 'import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
        "print(z.comment, [i.comment for i in z.infolist()])' " +
        test::ShellQuote(archive);
    EXPECT_EQ(test::RunCommand(listing).Output,
              "b'a new archive comment' [b'', b'about hamlet', b'']\n");
    const auto after = test::ReadRawEntries(archive);
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(after[i].Data, before[i].Data);
    }

    // Naming another archive saves what is pending on this one first.
    zipper.SetZipComment("changed once more");
    zipper.SetZipName((temp / "other.zip").string());
    EXPECT_EQ(test::RunCommand(listing).Output,
              "b'changed once more' [b'', b'about hamlet', b'']\n");
    test::ExpectPeersAccept(archive);
}

TEST(ZipperComments, ZipWithNothingToAddRewritesTheArchiveWithItsComment) {
    TempDir temp;
    const std::string archive = CopyTestArchive(temp, "empty-with-comment--python-gen.zip");
    TZipper zipper;
    zipper.SetZipName(archive);
    EXPECT_EQ(zipper.Zip(), 0);
    EXPECT_EQ(Bytes(archive), Bytes((test::TestDataDir() / "empty-with-comment--python-gen.zip")));
}

}  // namespace
}  // namespace mobrel
