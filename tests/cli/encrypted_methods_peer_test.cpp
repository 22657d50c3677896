// AES archives other tools write, over every method they offer inside it, extracted and tested
// with mobrel-cli: the same bytes as the peer's own extraction, and a wrong password or a
// changed byte never passes for a good file.
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

constexpr const char* kPassword = "correct horse";

// Empty, under 20 bytes (where writers may leave out the CRC), compressible and not.
void WriteInputs(const fs::path& folder) {
    fs::create_directories(folder / "docs");
    test::WriteFileText(folder / "empty.txt", "");
    test::WriteFileText(folder / "tiny.txt", "hi there\n");
    std::string text;
    for (int i = 0; i < 6000; ++i) {
        text += "line " + std::to_string(i) + " of a text that compresses well\n";
    }
    test::WriteFileText(folder / "docs" / "long.txt", text);
    std::vector<uint8_t> noise(150000);
    uint32_t state = 2024;
    for (uint8_t& byte : noise) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    test::WriteFileBytes(folder / "noise.bin", noise);
}

void RunPeer(const std::string& commandLine) {
    const test::CommandResult result = test::RunCommand(commandLine + " 2>&1");
    ASSERT_EQ(result.ExitCode, 0) << commandLine << "\n" << result.Output;
}

bool SameTrees(const fs::path& one, const fs::path& other) {
    return test::RunCommand("diff -r " + test::ShellQuote(one.string()) + " " +
                            test::ShellQuote(other.string()))
               .ExitCode == 0;
}

struct PeerArchive {
    const char* Name;
    const char* Command;  // run in the input folder; ARCHIVE stands for the archive's path
};

// 7-Zip offers every strength over each of its zip methods; libarchive writes AES too.
const PeerArchive kPeerArchives[] = {
    {"aes128_deflate", "7zz a -tzip -mem=AES128 -mm=Deflate -pPW ARCHIVE ."},
    {"aes192_stored", "7zz a -tzip -mem=AES192 -mm=Copy -pPW ARCHIVE ."},
    {"aes256_deflate_max", "7zz a -tzip -mem=AES256 -mm=Deflate -mx=9 -pPW ARCHIVE ."},
    {"aes256_bzip2", "7zz a -tzip -mem=AES256 -mm=BZip2 -pPW ARCHIVE ."},
    {"aes192_lzma", "7zz a -tzip -mem=AES192 -mm=LZMA -pPW ARCHIVE ."},
    {"aes128_deflate64", "7zz a -tzip -mem=AES128 -mm=Deflate64 -pPW ARCHIVE ."},
    {"bsdtar_aes256",
     "bsdtar --format zip --options zip:encryption=aes256 --passphrase PW "
     "-cf ARCHIVE ."},
    {"bsdtar_aes128",
     "bsdtar --format zip --options zip:encryption=aes128 --passphrase PW "
     "-cf ARCHIVE ."},
};

void PrintTo(const PeerArchive& archive, std::ostream* out) {
    *out << archive.Name;
}

std::string Expand(std::string command, const fs::path& archive) {
    const auto replace = [&command](const std::string& what, const std::string& with) {
        command.replace(command.find(what), what.size(), with);
    };
    replace("ARCHIVE", test::ShellQuote(archive.string()));
    replace("PW", test::ShellQuote(kPassword));
    return command;
}

class EncryptedPeerArchive : public ::testing::TestWithParam<PeerArchive> {
  protected:
    void SetUp() override {
        WriteInputs(temp_ / "in");
        archive_ = temp_ / (std::string(GetParam().Name) + ".zip");
        RunPeer("cd " + test::ShellQuote((temp_ / "in").string()) + " && " +
                Expand(GetParam().Command, archive_));
        RunPeer("7zz x -y -p" + test::ShellQuote(kPassword) + " -o" +
                test::ShellQuote((temp_ / "peer").string()) + " " +
                test::ShellQuote(archive_.string()) + " >/dev/null");
    }

    test::TempDir temp_;
    fs::path archive_;
};

TEST_P(EncryptedPeerArchive, ExtractsAndTestsAsThePeerDoes) {
    const CliRun extract =
        RunCli({"extract", archive_.string(), "-d", (temp_ / "out").string(), "-P", kPassword});
    EXPECT_EQ(extract.Status, 0) << extract.Err;
    EXPECT_EQ(extract.Err, "");
    EXPECT_TRUE(SameTrees(temp_ / "peer", temp_ / "out"));

    const CliRun check = RunCli({"test", archive_.string(), "-P", kPassword});
    EXPECT_EQ(check.Status, 0) << check.Err;

    // The listing names the method under the encryption, never AES's 99.
    const CliRun list = RunCli({"list", "-v", archive_.string()});
    EXPECT_EQ(list.Status, 0) << list.Err;
    EXPECT_EQ(list.Out.find("\t99\t"), std::string::npos) << list.Out;
    EXPECT_NE(list.Out.find("noise.bin\t150000\t"), std::string::npos) << list.Out;
}

TEST_P(EncryptedPeerArchive, AWrongPasswordSkipsEveryEncryptedFileAndLeavesNone) {
    const CliRun extract =
        RunCli({"extract", archive_.string(), "-d", (temp_ / "out").string(), "-P", "wrong"});
    EXPECT_EQ(extract.Status, 1);
    EXPECT_NE(extract.Err.find("noise.bin: wrong password, skipped"), std::string::npos)
        << extract.Err;
    // libarchive leaves an empty file unencrypted: that one is extracted.
    for (const auto& item : fs::recursive_directory_iterator(temp_ / "out")) {
        EXPECT_TRUE(!item.is_regular_file() || item.file_size() == 0) << item.path();
    }
}

INSTANTIATE_TEST_SUITE_P(Peers, EncryptedPeerArchive, ::testing::ValuesIn(kPeerArchives),
                         [](const auto& info) { return std::string(info.param.Name); });

// What we write under each cipher with each method: 7-Zip tests it and extracts the input
// files; Info-ZIP, which knows only the traditional cipher and the older methods, tests those.
TEST(OurEncryptedArchives, EveryMethodUnderEveryCipherPassesThePeers) {
    test::TempDir temp;
    WriteInputs(temp / "in");
    const std::vector<std::string> methods = {"store", "deflate", "bzip2", "lzma", "zstd", "xz"};
    const std::vector<std::string> ciphers = {"aes128", "aes192", "aes256", "zipcrypto"};
    for (const std::string& method : methods) {
        for (const std::string& cipher : ciphers) {
            SCOPED_TRACE(method + " under " + cipher);
            const fs::path archive = temp / (method + "-" + cipher + ".zip");
            const CliRun add = RunCli({"add", archive.string(), "-r", ".", "--method", method,
                                       "--encryption", cipher, "-P", kPassword},
                                      temp / "in");
            ASSERT_EQ(add.Status, 0) << add.Err;
            const fs::path out = temp / (method + "-" + cipher);
            RunPeer("7zz x -y -p" + test::ShellQuote(kPassword) + " -o" +
                    test::ShellQuote(out.string()) + " " + test::ShellQuote(archive.string()) +
                    " >/dev/null");
            EXPECT_TRUE(SameTrees(temp / "in", out));
            const bool infoZipReads =
                cipher == "zipcrypto" &&
                (method == "store" || method == "deflate" || method == "bzip2");
            if (infoZipReads) {
                RunPeer("unzip -tqq -P " + test::ShellQuote(kPassword) + " " +
                        test::ShellQuote(archive.string()));
            }
            const CliRun check = RunCli({"test", archive.string(), "-P", kPassword});
            EXPECT_EQ(check.Status, 0) << check.Err;
        }
    }
}

}  // namespace
}  // namespace mobrel
