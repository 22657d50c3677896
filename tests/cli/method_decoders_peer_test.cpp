// mobrel-cli on archives whose entries use Deflate64, bzip2, LZMA, XZ and Zstandard: the ones
// other tools wrote into the test data and ones made here with 7zz, Python's zipfile and
// the zstd tool, each tested and extracted, and the files compared with what 7zz extracts
// from the same archive.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::RunCli;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

void ExpectRun(const std::string& commandLine) {
    const test::CommandResult result = test::RunCommand(commandLine);
    ASSERT_EQ(result.ExitCode, 0) << commandLine << "\n" << result.Output;
}

// Tests the archive, extracts it with mobrel-cli and compares the tree with `expected`, or
// when that is empty with what 7zz extracts from the same archive.
void ExpectExtractsLike7zz(const fs::path& archive, const fs::path& scratch,
                           const fs::path& expected = {}) {
    SCOPED_TRACE(archive.filename().string());
    ASSERT_TRUE(test::HaveTool("7zz")) << "the peer tools are required";
    const CliRun tested = RunCli({"test", archive.string()});
    EXPECT_EQ(tested.Status, 0) << tested.Err;
    EXPECT_EQ(tested.Err, "");
    const fs::path ours = scratch / (archive.stem().string() + "-ours");
    fs::path peer = expected;
    const CliRun extracted = RunCli({"extract", archive.string(), "-d", ours.string()});
    EXPECT_EQ(extracted.Status, 0) << extracted.Err;
    if (peer.empty()) {
        peer = scratch / (archive.stem().string() + "-7zz");
        ExpectRun("7zz x -y -bd -o" + test::ShellQuote(peer.string()) + " " +
                  test::ShellQuote(archive.string()) + " > /dev/null");
    }
    const test::CommandResult diff = test::RunCommand("diff -r " + test::ShellQuote(ours.string()) +
                                                      " " + test::ShellQuote(peer.string()));
    EXPECT_EQ(diff.ExitCode, 0) << diff.Output;
}

TEST(MethodDecodersWithPeers, TestDataArchivesOfEachMethodExtractLike7zz) {
    test::TempDir temp;
    int count = 0;
    for (const auto& item : fs::directory_iterator(test::TestDataDir())) {
        const std::string name = item.path().filename().string();
        for (const char* prefix : {"m09-", "m12-", "m14-", "m95-", "m-mixed-"}) {
            if (name.rfind(prefix, 0) == 0) {
                ExpectExtractsLike7zz(item.path(), temp.Path());
                ++count;
            }
        }
    }
    EXPECT_GE(count, 7);
}

// Input files of several kinds (text, a spreadsheet, random bytes larger than the
// Deflate64 window, an empty file) in folder/in.
void MakeInputs(const fs::path& folder) {
    const fs::path in = folder / "in";
    fs::create_directories(in / "sub");
    const fs::path canterbury = test::CorpusDir() / "full/general/canterbury";
    fs::copy_file(canterbury / "alice29.txt", in / "alice29.txt");
    fs::copy_file(canterbury / "kennedy.xls", in / "sub/kennedy.xls");
    ExpectRun("head -c 300000 /dev/urandom > " + test::ShellQuote((in / "random.bin").string()));
    test::WriteFileText(in / "sub/empty.txt", "");
}

// A zip of the files in folder/in whose entries are Zstandard frames made by the zstd tool,
// under method number `method`: no peer here writes such archives.
void MakeZstdZip(const fs::path& folder, const fs::path& archive, int method) {
    const std::string script = R"PY(
import os, subprocess, struct, sys, zlib
root, out, method = sys.argv[1], sys.argv[2], int(sys.argv[3])
local, central = b"", b""
for dirpath, dirs, files in sorted(os.walk(root)):
    for f in sorted(files):
        path = os.path.join(dirpath, f)
        name = os.path.relpath(path, root).encode()
        data = open(path, "rb").read()
        packed = subprocess.run(["zstd", "-q", "-c", "-9", path], check=True,
                                capture_output=True).stdout
        crc = zlib.crc32(data)
        fields = struct.pack("<HHHHHIIIHH", 63, 0, method, 0, 0x21, crc, len(packed),
                             len(data), len(name), 0)
        central += b"PK\x01\x02" + struct.pack("<H", 63) + fields + \
            struct.pack("<HHHII", 0, 0, 0, 0, len(local)) + name
        local += b"PK\x03\x04" + fields + name + packed
count = central.count(b"PK\x01\x02")
end = b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, count, count, len(central), len(local), 0)
open(out, "wb").write(local + central + end)
)PY";
    test::WriteFileText(folder / "make_zstd_zip.py", script);
    ExpectRun("python3 " + test::ShellQuote((folder / "make_zstd_zip.py").string()) + " " +
              test::ShellQuote((folder / "in").string()) + " " +
              test::ShellQuote(archive.string()) + " " + std::to_string(method));
}

// The archives made here: 7zz for each method it writes, Python's zipfile for bzip2 and
// LZMA (with its end marker), and the zstd tool under both Zstandard numbers.
std::vector<fs::path> MakeArchives(const fs::path& folder) {
    MakeInputs(folder);
    std::vector<fs::path> archives;
    const std::string in = test::ShellQuote((folder / "in").string());
    for (const char* method : {"BZip2", "LZMA", "LZMA:eos", "Deflate64", "XZ"}) {
        std::string name = std::string("7zz-") + method + ".zip";
        std::replace(name.begin(), name.end(), ':', '-');
        archives.push_back(folder / name);
        ExpectRun("cd " + in + " && 7zz a -tzip -mm=" + method + " -bd " +
                  test::ShellQuote(archives.back().string()) + " . > /dev/null");
    }
    for (const char* method : {"ZIP_BZIP2", "ZIP_LZMA"}) {
        archives.push_back(folder / (std::string("python-") + method + ".zip"));
        ExpectRun("cd " + in +
                  " && python3 -c 'import os, sys, zipfile\n"
                  "with zipfile.ZipFile(sys.argv[1], \"w\", zipfile." +
                  method +
                  ") as z:\n"
                  "    for d, _, fs in os.walk(\".\"):\n"
                  "        for f in fs: z.write(os.path.join(d, f))' " +
                  test::ShellQuote(archives.back().string()));
    }
    for (const int method : {93, 20}) {
        archives.push_back(folder / ("zstd-" + std::to_string(method) + ".zip"));
        MakeZstdZip(folder, archives.back(), method);
    }
    return archives;
}

TEST(MethodDecodersWithPeers, ArchivesMadeWithEachMethodExtractLike7zzAndDamageIsReported) {
    test::TempDir temp;
    for (const fs::path& archive : MakeArchives(temp.Path())) {
        // 7zz knows Zstandard only under its current number 93: the files of method 20
        // are compared with the originals.
        const bool oldZstd = archive.filename() == "zstd-20.zip";
        ExpectExtractsLike7zz(archive, temp.Path(), oldZstd ? temp / "in" : fs::path());
        // A byte changed in the middle of the largest entry's data: that entry fails and
        // the command says so with status 1; nothing hangs or crashes.
        std::vector<uint8_t> bytes = test::ReadFileBytes(archive);
        bytes[bytes.size() / 2] ^= 0x55;
        const fs::path damaged = temp / ("damaged-" + archive.filename().string());
        test::WriteFileBytes(damaged, bytes);
        const CliRun run = RunCli({"test", damaged.string()});
        EXPECT_EQ(run.Status, 1) << archive.filename() << "\n" << run.Out << run.Err;
        EXPECT_FALSE(run.Err.empty());
    }
}

TEST(MethodDecodersWithPeers, PpmdEntriesAreSkippedByNameWhileTheStoredOneExtracts) {
    test::TempDir temp;
    const fs::path archive = test::TestDataDir() / "m98-ppmd--7z-gen.zip";
    const CliRun run = RunCli({"extract", archive.string(), "-d", (temp / "out").string()});
    EXPECT_NE(run.Status, 0);
    EXPECT_TRUE(Contains(run.Err, "compression method 98 (PPMd) is not supported")) << run.Err;
    ExpectRun("7zz x -y -bd -o" + test::ShellQuote((temp / "peer").string()) + " " +
              test::ShellQuote(archive.string()) + " > /dev/null");
    int extracted = 0;
    for (const auto& item : fs::recursive_directory_iterator(temp / "out")) {
        if (item.is_regular_file()) {
            const fs::path relative = fs::relative(item.path(), temp / "out");
            EXPECT_EQ(test::ReadFileBytes(item.path()),
                      test::ReadFileBytes(temp / "peer" / relative));
            ++extracted;
        }
    }
    EXPECT_GE(extracted, 1);
    EXPECT_FALSE(fs::exists(temp / "out/docs/hamlet_30k.txt"));
    EXPECT_FALSE(fs::exists(temp / "out/bin/binary_20k.bin"));
}

}  // namespace
}  // namespace mobrel
