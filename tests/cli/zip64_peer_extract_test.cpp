// ZIP64 archives other tools write, made at test time from known files and extracted with
// mobrel-cli: every shape a peer writes (a ZIP64 field in every header, sizes only in the
// local header, a 24-byte data descriptor, a count past 65,535) gives back the same bytes.
#include <gtest/gtest.h>

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

// Files of the shapes that matter to the sizes: empty, small, compressible and not.
void WriteInputs(const fs::path& folder) {
    fs::create_directories(folder / "docs");
    test::WriteFileText(folder / "empty.txt", "");
    test::WriteFileText(folder / "docs" / "note.txt", "a short note\n");
    std::string text;
    for (int i = 0; i < 4000; ++i) {
        text += "line " + std::to_string(i) + " of a text that compresses well\n";
    }
    test::WriteFileText(folder / "docs" / "long.txt", text);
    std::vector<uint8_t> noise(70000);
    uint32_t state = 12345;
    for (uint8_t& byte : noise) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    test::WriteFileBytes(folder / "noise.bin", noise);
}

bool SameTrees(const fs::path& one, const fs::path& other) {
    return test::RunCommand("diff -r " + test::ShellQuote(one.string()) + " " +
                            test::ShellQuote(other.string()))
               .ExitCode == 0;
}

void ExpectExtractsTo(const fs::path& archive, const fs::path& expected, const fs::path& out) {
    const CliRun run = RunCli({"extract", archive.string(), "-d", out.string()});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    EXPECT_TRUE(SameTrees(expected, out));
}

// Runs a Python program with the folder to work in as its one argument.
void RunPython(const std::string& program, const fs::path& folder) {
    const test::CommandResult result =
        test::RunCommand("python3 -c " + test::ShellQuote(program) + " " +
                         test::ShellQuote(folder.string()) + " 2>&1");
    ASSERT_EQ(result.ExitCode, 0) << result.Output;
}

TEST(Zip64PeerArchives, InfoZipForcedZip64ExtractsToTheInputFiles) {
    ASSERT_TRUE(test::HaveTool("zip"));
    test::TempDir temp;
    WriteInputs(temp / "in");
    const fs::path archive = temp / "forced.zip";
    const test::CommandResult zip =
        test::RunCommand("cd " + test::ShellQuote((temp / "in").string()) + " && zip -q -r -fz " +
                         test::ShellQuote(archive.string()) + " . 2>&1");
    ASSERT_EQ(zip.ExitCode, 0) << zip.Output;
    ExpectExtractsTo(archive, temp / "in", temp / "out");
}

// Data from a pipe: the local header has a ZIP64 field and the sizes follow the data in a
// descriptor with 8-byte sizes.
TEST(Zip64PeerArchives, InfoZipStreamedFromAPipeExtractsToTheInputBytes) {
    ASSERT_TRUE(test::HaveTool("zip"));
    test::TempDir temp;
    WriteInputs(temp / "in");
    const fs::path archive = temp / "piped.zip";
    const test::CommandResult zip =
        test::RunCommand("zip -q -fz " + test::ShellQuote(archive.string()) + " - < " +
                         test::ShellQuote((temp / "in" / "noise.bin").string()) + " 2>&1");
    ASSERT_EQ(zip.ExitCode, 0) << zip.Output;
    const CliRun run = RunCli({"extract", archive.string(), "-d", (temp / "out").string()});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(test::ReadFileBytes(temp / "out" / "-"),
              test::ReadFileBytes(temp / "in" / "noise.bin"));
}

// Python puts the ZIP64 field in the local header only and keeps 32-bit central sizes.
TEST(Zip64PeerArchives, PythonForcedZip64ExtractsToTheInputFiles) {
    ASSERT_TRUE(test::HaveTool("python3"));
    test::TempDir temp;
    WriteInputs(temp / "in");
    RunPython(R"(
import os, sys, zipfile
root = sys.argv[1]
with zipfile.ZipFile(os.path.join(root, "forced.zip"), "w") as z:
    for folder, _, files in os.walk(os.path.join(root, "in")):
        for name in sorted(files):
            path = os.path.join(folder, name)
            method = zipfile.ZIP_DEFLATED if name.endswith(".txt") else zipfile.ZIP_STORED
            info = zipfile.ZipInfo(os.path.relpath(path, os.path.join(root, "in")))
            info.compress_type = method
            with open(path, "rb") as src, z.open(info, "w", force_zip64=True) as dst:
                dst.write(src.read())
)",
              temp.Path());
    ExpectExtractsTo(temp / "forced.zip", temp / "in", temp / "out");
}

// More entries than the classic end record counts: only the ZIP64 end record has the count.
TEST(Zip64PeerArchives, PythonArchiveOfMoreThan65535EntriesExtractsEveryOne) {
    ASSERT_TRUE(test::HaveTool("python3"));
    test::TempDir temp;
    constexpr int kEntries = 65540;
    RunPython(R"(
import os, sys, zipfile
with zipfile.ZipFile(os.path.join(sys.argv[1], "many.zip"), "w") as z:
    for i in range(65540):
        z.writestr("d%d/f%d" % (i % 16, i), str(i))
)",
              temp.Path());
    const CliRun run =
        RunCli({"extract", (temp / "many.zip").string(), "-d", (temp / "out").string()});
    EXPECT_EQ(run.Status, 0) << run.Err;
    int files = 0;
    for (const auto& item : fs::recursive_directory_iterator(temp / "out")) {
        files += item.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(files, kEntries);
    for (const int i : {0, 15, 65535, 65536, kEntries - 1}) {
        const fs::path file =
            temp / "out" / ("d" + std::to_string(i % 16)) / ("f" + std::to_string(i));
        const std::vector<uint8_t> bytes = test::ReadFileBytes(file);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::to_string(i)) << file;
    }
}

// One entry of 5,000,000,000 zeros: its sizes and CRC pass 32 bits. Tested, not written.
TEST(Zip64PeerArchives, FiveGigabytesOfZerosTestsGood) {
    const std::string archive =
        (test::TestDataDir() / "zip64-5GB-zeros-pkzip--commons-compress.zip").string();
    const CliRun run = RunCli({"test", archive});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "1 file OK in " + archive + "\n");
    EXPECT_EQ(run.Err, "");
}

}  // namespace
}  // namespace mobrel
