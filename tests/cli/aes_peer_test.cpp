// AES entries end to end: archives 7-Zip and libarchive encrypt extract through mobrel-cli
// to what 7zz extracts, archives mobrel-cli encrypts pass 7zz and bsdtar with the AE-1 and
// AE-2 choice the headers show, and damaged or changed entries fail alone and leave nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"
#include "format/aes_extra_field.h"
#include "format/raw_zip_entries.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::RunCli;

const std::string kPassword = "s3cret pass";

// Files of the kinds the format treats apart: under 20 bytes (AE-2), empty, over 1 MiB and
// compressible, over 1 MiB and not.
void MakeInputs(const fs::path& folder) {
    fs::create_directories(folder / "sub");
    test::WriteFileText(folder / "tiny.txt", "nineteen bytes long");
    test::WriteFileText(folder / "empty.txt", "");
    std::string text;
    for (int i = 0; text.size() < 1300000; ++i) {
        text += "line " + std::to_string(i) + " of a compressible file\n";
    }
    test::WriteFileText(folder / "sub" / "text.txt", text);
    std::vector<uint8_t> noise(1100000);
    uint32_t state = 99;
    for (uint8_t& byte : noise) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    test::WriteFileBytes(folder / "noise.bin", noise);
}

std::string Q(const fs::path& path) {
    return test::ShellQuote(path.string());
}

void ExpectCommand(const std::string& command) {
    const test::CommandResult result = test::RunCommand(command + " 2>&1");
    EXPECT_EQ(result.ExitCode, 0) << command << "\n" << result.Output;
}

bool SameTrees(const fs::path& one, const fs::path& other) {
    return test::RunCommand("diff -r " + Q(one) + " " + Q(other)).ExitCode == 0;
}

// mobrel-cli's extraction against 7zz's of the same archive.
void ExpectExtractsAsSevenZip(const fs::path& archive, const std::string& password,
                              const fs::path& work) {
    const fs::path ours = work / "ours";
    const fs::path theirs = work / "theirs";
    fs::remove_all(ours);
    fs::remove_all(theirs);
    const CliRun run = RunCli({"extract", archive.string(), "-P", password, "-d", ours.string()});
    EXPECT_EQ(run.Status, 0) << archive << "\n" << run.Err;
    ExpectCommand("7zz x -y -p" + test::ShellQuote(password) + " -o" + Q(theirs) + " " +
                  Q(archive));
    EXPECT_TRUE(SameTrees(ours, theirs)) << archive;
}

fs::path MakeOurs(const fs::path& work, const std::string& kind, const std::string& level) {
    const fs::path archive = work / ("ours-" + kind + level + ".zip");
    const CliRun run =
        RunCli({"add", archive.string(), level, "-r", "-P", kPassword, "--encryption", kind, "-R",
                (work / "in").string(), (work / "in").string()});
    EXPECT_EQ(run.Status, 0) << run.Err;
    return archive;
}

TEST(AesPeerArchives, SevenZipAndBsdtarArchivesExtractAsSevenZipDoes) {
    ASSERT_TRUE(test::HaveTool("7zz") && test::HaveTool("bsdtar"));
    test::TempDir temp;
    MakeInputs(temp / "in");
    std::vector<fs::path> archives;
    for (const std::string strength : {"AES128", "AES192", "AES256"}) {
        for (const std::string method : {"Deflate", "Copy"}) {
            const fs::path archive = temp / (strength + method + ".zip");
            ExpectCommand("cd " + Q(temp / "in") + " && 7zz a -tzip -r -mem=" + strength + " -mm=" +
                          method + " -p" + test::ShellQuote(kPassword) + " " + Q(archive) + " .");
            archives.push_back(archive);
        }
    }
    for (const std::string strength : {"aes128", "aes256"}) {
        const fs::path archive = temp / ("bsdtar-" + strength + ".zip");
        ExpectCommand("cd " + Q(temp / "in") +
                      " && bsdtar --format zip --options zip:encryption=" + strength +
                      " --passphrase " + test::ShellQuote(kPassword) + " -cf " + Q(archive) + " .");
        archives.push_back(archive);
    }
    for (const fs::path& archive : archives) {
        ExpectExtractsAsSevenZip(archive, kPassword, temp.Path());
        EXPECT_TRUE(SameTrees(temp / "ours", temp / "in")) << archive;
    }
    ExpectExtractsAsSevenZip(test::TestDataDir() / "enc-aes256-method99-pw-pass7z--7z-gen.zip",
                             "pass7z", temp.Path());
}

TEST(AesPeerArchives, OursPassSevenZipAndBsdtarWithAe2ForSmallFiles) {
    ASSERT_TRUE(test::HaveTool("7zz") && test::HaveTool("bsdtar"));
    test::TempDir temp;
    MakeInputs(temp / "in");
    const std::vector<std::pair<std::string, uint8_t>> kinds = {
        {"aes128", 1}, {"aes192", 2}, {"aes256", 3}};
    for (const auto& [kind, strength] : kinds) {
        for (const std::string level : {"-0", "-6"}) {
            const fs::path archive = MakeOurs(temp.Path(), kind, level);
            ExpectCommand("7zz t -p" + test::ShellQuote(kPassword) + " " + Q(archive));
            ExpectExtractsAsSevenZip(archive, kPassword, temp.Path());
            EXPECT_TRUE(SameTrees(temp / "theirs", temp / "in")) << archive;
            const fs::path bsd = temp / "bsdtar";
            fs::remove_all(bsd);
            fs::create_directories(bsd);
            ExpectCommand("cd " + Q(bsd) + " && bsdtar -x --passphrase " +
                          test::ShellQuote(kPassword) + " -f " + Q(archive));
            EXPECT_TRUE(SameTrees(bsd, temp / "in")) << archive;

            for (const test::RawZipEntry& entry : test::ReadRawZip(archive).Entries) {
                if (entry.Name.ends_with("/")) {
                    continue;
                }
                SCOPED_TRACE(archive.string() + " " + entry.Name);
                EXPECT_EQ(entry.Method, 99);
                EXPECT_EQ(entry.Flags & 1, 1);
                const std::optional<TAesField> central = ReadAesField(entry.CentralExtra);
                const std::optional<TAesField> local = ReadAesField(entry.LocalExtra);
                ASSERT_TRUE(central && local);
                EXPECT_EQ(central->Strength, strength);
                EXPECT_EQ(local->VendorVersion, central->VendorVersion);
                EXPECT_EQ(local->Method, central->Method);
                const bool small = entry.UncompressedSize < 20;
                EXPECT_EQ(central->VendorVersion, small ? kAesVersion2 : kAesVersion1);
                EXPECT_EQ(entry.Crc == 0, small);
                // The field names the method the compressor chose (it stores what deflate
                // can't shrink).
                if (level == "-0") {
                    EXPECT_EQ(central->Method, 0);
                } else {
                    EXPECT_TRUE(central->Method == 0 || central->Method == 8);
                }
            }
        }
    }
}

// The first entry of the archive with its data, and the archive's bytes.
struct FirstEntry {
    test::RawZipArchive Archive;
    const test::RawZipEntry& Entry() const { return Archive.Entries.front(); }
};

fs::path OneFileArchive(const test::TempDir& temp, const std::string& text) {
    test::WriteFileText(temp / "file.txt", text);
    const fs::path archive = temp / "one.zip";
    const CliRun run = RunCli({"add", archive.string(), "-P", kPassword, "--encryption", "aes256",
                               "--no-paths", (temp / "file.txt").string()});
    EXPECT_EQ(run.Status, 0) << run.Err;
    return archive;
}

CliRun ExtractPatched(const test::TempDir& temp, std::vector<uint8_t> bytes) {
    const fs::path patched = temp / "patched.zip";
    test::WriteFileBytes(patched, bytes);
    fs::remove_all(temp / "out");
    return RunCli({"extract", patched.string(), "-P", kPassword, "-d", (temp / "out").string()});
}

// Where the named byte of the 0x9901 field lies in the central or local extra area.
size_t AesFieldByte(const test::RawZipArchive& archive, bool central, size_t index) {
    const test::RawZipEntry& entry = archive.Entries.front();
    const std::string& area = central ? entry.CentralExtra : entry.LocalExtra;
    const size_t inArea = area.find(std::string("\x01\x99\x07\x00", 4)) + 4 + index;
    const std::string_view bytes(reinterpret_cast<const char*>(archive.Bytes.data()),
                                 archive.Bytes.size());
    // The area is unique in the archive: found from its header's neighbourhood.
    const size_t start = central ? bytes.rfind(area) : bytes.find(area);
    return start + inArea;
}

TEST(AesDamagedEntries, WrongPasswordAndChangedDataFailAloneAndLeaveNothing) {
    test::TempDir temp;
    const std::string text(5000, 'z');
    const fs::path archive = OneFileArchive(temp, text);
    const CliRun wrong =
        RunCli({"extract", archive.string(), "-P", "not it", "-d", (temp / "wrong").string()});
    EXPECT_NE(wrong.Status, 0);
    EXPECT_NE(wrong.Err.find("file.txt: wrong password, skipped"), std::string::npos) << wrong.Err;
    EXPECT_FALSE(fs::exists(temp / "wrong" / "file.txt"));

    const test::RawZipArchive raw = test::ReadRawZip(archive);
    const test::RawZipEntry& entry = raw.Entries.front();
    // A byte of the encrypted data, the last one (which inflate may never need), and one
    // of the code itself.
    for (const size_t at :
         {entry.DataOffset + 16 + 2 + 3, entry.DataOffset + entry.CompressedSize - 11,
          entry.DataOffset + entry.CompressedSize - 1}) {
        std::vector<uint8_t> bytes = raw.Bytes;
        bytes[at] ^= 0x40;
        const CliRun run = ExtractPatched(temp, bytes);
        EXPECT_NE(run.Status, 0);
        EXPECT_NE(run.Err.find("file.txt: authentication failed, the data was changed"),
                  std::string::npos)
            << run.Err;
        EXPECT_FALSE(fs::exists(temp / "out" / "file.txt"));
        const CliRun tested = RunCli({"test", (temp / "patched.zip").string(), "-P", kPassword});
        EXPECT_NE(tested.Status, 0);
        EXPECT_NE(tested.Err.find("authentication failed"), std::string::npos) << tested.Err;
    }
}

TEST(AesDamagedEntries, BadFieldsAndCutSaltsAreReportedPerEntry) {
    test::TempDir temp;
    const fs::path archive = OneFileArchive(temp, "some text that is long enough for AE-1");
    const test::RawZipArchive raw = test::ReadRawZip(archive);
    {
        std::vector<uint8_t> bytes = raw.Bytes;
        bytes[AesFieldByte(raw, true, 4)] = 7;  // an unknown strength
        bytes[AesFieldByte(raw, false, 4)] = 7;
        const CliRun run = ExtractPatched(temp, bytes);
        EXPECT_NE(run.Status, 0);
        EXPECT_NE(run.Err.find("file.txt: compression method 99 (AES)"), std::string::npos)
            << run.Err;
        EXPECT_FALSE(fs::exists(temp / "out" / "file.txt"));
    }
    {
        std::vector<uint8_t> bytes = raw.Bytes;
        bytes[AesFieldByte(raw, true, 2)] = 'X';  // another vendor's field
        bytes[AesFieldByte(raw, false, 2)] = 'X';
        const CliRun run = ExtractPatched(temp, bytes);
        EXPECT_NE(run.Err.find("compression method 99 (AES)"), std::string::npos) << run.Err;
    }
    {
        // The field's length cut to 6 in the central header: no field to trust there, nor
        // (patched the same way) in the local one.
        std::vector<uint8_t> bytes = raw.Bytes;
        bytes[AesFieldByte(raw, true, 0) - 2] = 6;
        bytes[AesFieldByte(raw, false, 0) - 2] = 6;
        const CliRun run = ExtractPatched(temp, bytes);
        EXPECT_NE(run.Err.find("compression method 99 (AES)"), std::string::npos) << run.Err;
    }
    {
        // The archive ends inside the salt.
        std::vector<uint8_t> bytes(
            raw.Bytes.begin(),
            raw.Bytes.begin() + static_cast<ptrdiff_t>(raw.Entries.front().DataOffset + 5));
        const CliRun run = ExtractPatched(temp, bytes);
        EXPECT_NE(run.Status, 0);
        EXPECT_FALSE(fs::exists(temp / "out" / "file.txt"));
    }
}

TEST(AesRewrite, AddingAFileKeepsAesEntriesByteForByte) {
    test::TempDir temp;
    const fs::path archive = OneFileArchive(temp, "kept as it was, salt and code included");
    const test::RawZipArchive before = test::ReadRawZip(archive);
    test::WriteFileText(temp / "other.txt", "another file");
    const CliRun run =
        RunCli({"add", archive.string(), "--no-paths", (temp / "other.txt").string()});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const test::RawZipArchive after = test::ReadRawZip(archive);
    ASSERT_EQ(after.Entries.size(), 2u);
    const test::RawZipEntry& was = before.Entries.front();
    const test::RawZipEntry& is = after.Entries.front();
    EXPECT_EQ(is.LocalExtra, was.LocalExtra);
    EXPECT_EQ(is.CentralExtra, was.CentralExtra);
    EXPECT_EQ(is.Method, 99);
    const auto data = [](const test::RawZipArchive& a, const test::RawZipEntry& e) {
        const auto span = a.Data(e);
        return std::vector<uint8_t>(span.begin(), span.end());
    };
    EXPECT_EQ(data(after, is), data(before, was));
    ExpectCommand("7zz t -p" + test::ShellQuote(kPassword) + " " + Q(archive));
}

TEST(AesCommandLine, EncryptionNeedsAPasswordAndAKnownKind) {
    test::TempDir temp;
    test::WriteFileText(temp / "a.txt", "a");
    const CliRun noPassword = RunCli(
        {"add", (temp / "x.zip").string(), "--encryption", "aes256", (temp / "a.txt").string()});
    EXPECT_NE(noPassword.Status, 0);
    EXPECT_NE(noPassword.Err.find("--encryption needs a password"), std::string::npos);
    const CliRun unknown = RunCli({"add", (temp / "x.zip").string(), "-P", "p", "--encryption",
                                   "aes512", (temp / "a.txt").string()});
    EXPECT_NE(unknown.Status, 0);
    EXPECT_NE(unknown.Err.find("aes512"), std::string::npos);
    EXPECT_FALSE(fs::exists(temp / "x.zip"));
}

}  // namespace
}  // namespace mobrel
