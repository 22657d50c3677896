// mobrel-cli add --method: archives written with bzip2, LZMA, Zstandard and XZ, checked and
// extracted by the peers that read each method, with the header fields those peers go by.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "cli_run.h"
#include "format/compression_method.h"
#include "test_support.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::RunCli;

// 7zz, 7z and bsdtar, as installed, read all four methods; Python's zipfile reads bzip2 and
// LZMA only.
struct MethodCase {
    const char* Name;  // as --method takes it
    uint16_t Number;
    bool Python;
};

const MethodCase kMethods[] = {
    {"bzip2", cmBzip2, true}, {"lzma", cmLzma, true}, {"zstd", cmZstd, false}, {"xz", cmXz, false}};

// One line per entry from Python's zipfile, which reads the central directory: method,
// version needed, flags, then the name.
std::map<std::string, std::string> CentralFields(const fs::path& archive) {
    const test::CommandResult result = test::RunCommand(
        "python3 -c 'import sys,zipfile\n"
        "for i in zipfile.ZipFile(sys.argv[1]).infolist(): "
        "print(i.compress_type, i.extract_version, i.flag_bits, i.filename)' " +
        test::ShellQuote(archive.string()));
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    std::map<std::string, std::string> fields;
    std::istringstream lines(result.Output);
    for (std::string line; std::getline(lines, line);) {
        const size_t nameStart = line.rfind(' ');
        fields[line.substr(nameStart + 1)] = line.substr(0, nameStart);
    }
    return fields;
}

test::ExtractedTree ExtractWithBsdtar(const fs::path& archive) {
    test::TempDir out;
    const test::CommandResult result =
        test::RunCommand("bsdtar -xf " + test::ShellQuote(archive.string()) + " -C " +
                         test::ShellQuote(out.Path().string()));
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    test::ExtractedTree tree;
    for (const auto& item : fs::recursive_directory_iterator(out.Path())) {
        if (item.is_regular_file()) {
            const std::vector<uint8_t> bytes = test::ReadFileBytes(item.path());
            tree[fs::relative(item.path(), out.Path()).string()].Bytes.assign(bytes.begin(),
                                                                              bytes.end());
        }
    }
    return tree;
}

bool SameContents(const test::ExtractedTree& tree,
                  const std::map<std::string, std::string>& files) {
    if (tree.size() != files.size()) {
        return false;
    }
    for (const auto& [name, bytes] : files) {
        const auto found = tree.find(name);
        if (found == tree.end() || found->second.Bytes != bytes) {
            return false;
        }
    }
    return true;
}

class CliMethod : public testing::TestWithParam<MethodCase> {
  protected:
    void SetUp() override {
        files_ = {{"empty.txt", ""},
                  {"text.txt", test::CompressibleText(200000)},
                  {"random.bin", test::RandomBytes(1300000, 5)}};
        for (const auto& [name, bytes] : files_) {
            test::MakeFile(temp_.Path(), name, bytes);
        }
    }
    fs::path Add(const std::vector<std::string>& options) {
        const fs::path archive = temp_ / "out.zip";
        std::vector<std::string> args = {"add", archive.string(), "--method", GetParam().Name};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {"empty.txt", "text.txt", "random.bin"});
        const CliRun run = RunCli(args, temp_.Path());
        EXPECT_EQ(run.Status, 0) << run.Err;
        return archive;
    }
    test::TempDir temp_;
    std::map<std::string, std::string> files_;
};

TEST_P(CliMethod, PeersTestAndExtractEveryFileAndReadTheHeaders) {
    const MethodCase& method = GetParam();
    const fs::path archive = Add({"-9"});
    const std::string quoted = test::ShellQuote(archive.string());

    // Every file keeps the method, the incompressible one too; LZMA flags its end marker.
    // The empty file is stored, as deflate stores it.
    const std::string version = method.Number == cmBzip2 ? "46" : "63";
    const std::string flags = method.Number == cmLzma ? "2" : "0";
    std::map<std::string, std::string> fields = CentralFields(archive);
    EXPECT_EQ(fields["empty.txt"], "0 20 0");
    for (const char* name : {"text.txt", "random.bin"}) {
        EXPECT_EQ(fields[name], std::to_string(method.Number) + " " + version + " " + flags)
            << name;
    }

    const test::CommandResult sevenZz = test::RunCommand("7zz t " + quoted);
    EXPECT_EQ(sevenZz.ExitCode, 0) << sevenZz.Output;
    EXPECT_TRUE(SameContents(test::ExtractWith7zz(archive), files_));
    const test::CommandResult sevenZip = test::RunCommand("7z t " + quoted);
    EXPECT_EQ(sevenZip.ExitCode, 0) << sevenZip.Output;
    EXPECT_TRUE(SameContents(ExtractWithBsdtar(archive), files_));
    if (method.Python) {
        EXPECT_TRUE(SameContents(test::ExtractWithPython(archive), files_));
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, CliMethod, testing::ValuesIn(kMethods),
                         [](const testing::TestParamInfo<MethodCase>& info) {
                             return std::string(info.param.Name);
                         });

// Traditional encryption runs over the bzip2 data as over deflated data.
TEST(CliMethodOptions, EncryptedBzip2OpensWithThePassword) {
    test::TempDir temp;
    const std::map<std::string, std::string> files = {{"text.txt", test::CompressibleText(50000)},
                                                      {"random.bin", test::RandomBytes(70000, 9)}};
    for (const auto& [name, bytes] : files) {
        test::MakeFile(temp.Path(), name, bytes);
    }
    const fs::path archive = temp / "secret.zip";
    const CliRun run = RunCli(
        {"add", archive.string(), "--method", "bzip2", "-P", "s3cret", "text.txt", "random.bin"},
        temp.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    for (const auto& [name, fields] : CentralFields(archive)) {
        EXPECT_EQ(fields, "12 46 1") << name;
    }
    const std::string quoted = test::ShellQuote(archive.string());
    EXPECT_EQ(test::RunCommand("7zz t -ps3cret " + quoted).ExitCode, 0);
    EXPECT_NE(test::RunCommand("7zz t -pwrong " + quoted).ExitCode, 0);
    EXPECT_TRUE(SameContents(test::ExtractWith7z(archive, "s3cret"), files));
    EXPECT_TRUE(SameContents(test::ExtractWithPython(archive, "s3cret"), files));
}

TEST(CliMethodOptions, StoreMeansLevelZeroAndAnUnknownNameIsAUsageError) {
    test::TempDir temp;
    test::MakeFile(temp.Path(), "text.txt", test::CompressibleText(20000));
    const fs::path archive = temp / "out.zip";
    CliRun run = RunCli({"add", archive.string(), "--method", "store", "text.txt"}, temp.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(CentralFields(archive)["text.txt"], "0 20 0");

    run =
        RunCli({"add", (temp / "other.zip").string(), "--method", "lzw", "text.txt"}, temp.Path());
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("--method takes store, deflate, bzip2, lzma, zstd or xz, not \"lzw\""),
              std::string::npos)
        << run.Err;
    EXPECT_FALSE(fs::exists(temp / "other.zip"));
}

}  // namespace
}  // namespace mobrel
