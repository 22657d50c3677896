// Compressing ahead on worker threads changes nothing a user can see: the archive is the
// same byte for byte with any thread count, and so is every event (its arguments and its
// order), all fired on the caller's thread. Random encryption bytes are the one exception.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "format/compression_method.h"
#include "format/raw_zip_entries.h"
#include "sfx/sfx_test_support.h"
#include "test_support.h"
#include "writer/multi_disk_test_support.h"
#include "writer/parallel_zip_test_support.h"
#include "writer/zipper.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::TParallelTestZipper;

// Small files of every kind the writer treats differently, and files that can't be opened
// by anyone or by the workers only.
void MakeEdgeTree(const fs::path& folder) {
    test::MakeFile(folder, "empty.txt", "");
    test::MakeFile(folder, "small.txt", "small\n");
    test::MakeFile(folder, "text.txt", test::CompressibleText(200000));
    test::MakeFile(folder, "noise.bin", test::RandomBytes(300000, 7));
    test::MakeFile(folder, "photo.jpg", test::RandomBytes(70000, 8));
    test::MakeFile(folder, "mixed.dat", test::MixedBytes(600000, 9));
    test::MakeFile(folder, "locked.txt", test::CompressibleText(1000));
    test::MakeFile(folder, "guarded.txt", test::CompressibleText(90000));
    test::MakeFile(folder, "sub/deeper/inner.txt", test::CompressibleText(5000));
    test::MakeFile(folder, "sub/also.txt", "");
}

test::ZipSetup TreeSetup(const fs::path& folder, int level, uint16_t method) {
    return [=](TParallelTestZipper& zipper) {
        zipper.SetRootDir(folder.string());
        zipper.SetRelativePaths(true);
        zipper.SetAddDirEntriesOnRecurse(true);
        zipper.SetPackLevel(level);
        zipper.SetCompressionMethod(static_cast<TCompressionMethod>(method));
        zipper.SetNoCompressList({"*.jpg"});
        zipper.Locked = "/locked.txt";
        zipper.WorkerLocked = "/guarded.txt";
        zipper.FilesList() = {"*"};
    };
}

// The first `count` files of the benchmark corpus, copied with their folders.
void CopyCorpusSlice(const fs::path& folder, size_t count) {
    const fs::path corpus = test::CorpusDir() / "full";
    std::vector<fs::path> files;
    for (const auto& item : fs::recursive_directory_iterator(corpus)) {
        if (item.is_regular_file()) {
            files.push_back(item.path());
        }
    }
    std::sort(files.begin(), files.end());
    files.resize(std::min(files.size(), count));
    for (const fs::path& file : files) {
        const fs::path target = folder / fs::relative(file, corpus);
        fs::create_directories(target.parent_path());
        fs::copy_file(file, target);
    }
}

TEST(ParallelZip, ACorpusSliceIsTheSameWithAnyThreadCount) {
    TempDir temp;
    CopyCorpusSlice(temp / "src", 200);
    test::ExpectSameWithAnyThreadCount(temp.Path(), "corpus.zip",
                                       TreeSetup(temp / "src", 6, cmDeflated));
}

TEST(ParallelZip, EdgeCasesAreTheSameWithAnyThreadCountAndMethod) {
    TempDir temp;
    MakeEdgeTree(temp / "src");
    const std::pair<int, uint16_t> settings[] = {{6, cmDeflated}, {0, cmDeflated}, {1, cmDeflated},
                                                 {9, cmDeflated}, {3, cmBzip2},    {5, cmZstd}};
    for (const auto& [level, method] : settings) {
        const std::string name =
            "level" + std::to_string(level) + "_method" + std::to_string(method);
        SCOPED_TRACE(name);
        test::ExpectSameWithAnyThreadCount(temp / name, "edge.zip",
                                           TreeSetup(temp / "src", level, method));
    }
}

TEST(ParallelZip, AFileBehindASlowOneWaitsInATemporaryFileAndComesOutTheSame) {
    // The first file's reading waits on the workers until the second, 12 MiB that compress
    // to more than the 8 MiB a job keeps in memory, has gone to a temporary file beside
    // the archive.
    TempDir temp;
    const std::string head =
        test::MakeFile(temp / "src", "head.txt", test::CompressibleText(50000));
    const std::string big = test::MakeFile(temp / "src", "big.bin", test::MixedBytes(12 << 20, 3));
    bool spillSeen = false;
    const auto setup = [&](const fs::path& out) {
        return [&, out](TParallelTestZipper& zipper) {
            zipper.SetPackLevel(1);
            zipper.Slow = "/head.txt";
            zipper.SlowUntil = [out] { return test::HasSpillFile(out); };
            zipper.OnFilePercentDone = [&spillSeen, out](TUnZipper&, int) {
                spillSeen = spillSeen || test::HasSpillFile(out);
            };
            zipper.FilesList() = {head, big};
        };
    };
    const test::ZipRun alone =
        test::ZipWithThreads(1, temp / "one", "big.zip", setup(temp / "one"));
    EXPECT_FALSE(spillSeen);
    const test::ZipRun run = test::ZipWithThreads(2, temp / "two", "big.zip", setup(temp / "two"));
    EXPECT_TRUE(spillSeen);
    EXPECT_TRUE(run.Files == alone.Files);  // the temporary file is gone too
    test::ExpectSameEvents(alone.Events, run.Events);
}

// The archive with every entry's data zeroed: what encryption leaves alone.
std::vector<uint8_t> WithoutEntryData(const fs::path& archive) {
    test::RawZipArchive raw = test::ReadRawZip(archive);
    for (const test::RawZipEntry& entry : raw.Entries) {
        std::fill_n(raw.Bytes.begin() + static_cast<std::ptrdiff_t>(entry.DataOffset),
                    entry.CompressedSize, 0);
    }
    return raw.Bytes;
}

TEST(ParallelZip, EncryptedEntriesDifferOnlyInTheirRandomBytes) {
    TempDir temp;
    MakeEdgeTree(temp / "src");
    for (TZipEncryption encryption : {TZipEncryption::Traditional, TZipEncryption::Aes256}) {
        const std::string name = encryption == TZipEncryption::Traditional ? "zipcrypto" : "aes";
        SCOPED_TRACE(name);
        const test::ZipSetup plain = TreeSetup(temp / "src", 6, cmDeflated);
        const auto setup = [&](TParallelTestZipper& zipper) {
            plain(zipper);
            zipper.SetPassword("secret");
            zipper.SetEncryption(encryption);
        };
        const fs::path one = temp / name / "one";
        const fs::path many = temp / name / "many";
        const test::ZipRun alone = test::ZipWithThreads(1, one, "secret.zip", setup);
        const test::ZipRun run = test::ZipWithThreads(0, many, "secret.zip", setup);
        test::ExpectSameEvents(alone.Events, run.Events);
        EXPECT_TRUE(WithoutEntryData(one / "secret.zip") == WithoutEntryData(many / "secret.zip"));
        const test::FileContents extracted =
            test::ContentsOf(test::ExtractWith7z(many / "secret.zip", "secret"));
        EXPECT_EQ(extracted, test::ContentsOf(test::ExtractWith7z(one / "secret.zip", "secret")));
        EXPECT_EQ(extracted.size(), 9u);  // every file but the locked one
    }
}

TEST(ParallelZip, ABlockSetIsTheSameWithAnyThreadCount) {
    TempDir temp;
    MakeEdgeTree(temp / "src");
    const test::ZipSetup plain = TreeSetup(temp / "src", 6, cmDeflated);
    test::ExpectSameWithAnyThreadCount(temp.Path(), "set.zip", [&](TParallelTestZipper& zipper) {
        plain(zipper);
        zipper.SetMultiZipInfo(test::BlockSetInfo(150000, 100000));
    });
}

TEST(ParallelZip, ASelfExtractorIsTheSameWithAnyThreadCount) {
    TempDir temp;
    MakeEdgeTree(temp / "src");
    test::ExpectSameWithAnyThreadCount(
        temp.Path(), "program", TreeSetup(temp / "src", 6, cmDeflated),
        [](TParallelTestZipper& zipper, const std::string& program) {
            zipper.MakeSFX(test::StubPath().string(), program, nullptr, 0);
        });
}

}  // namespace
}  // namespace mobrel
