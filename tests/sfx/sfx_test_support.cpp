#include "sfx/sfx_test_support.h"

#include <algorithm>
#include <random>

namespace fs = std::filesystem;

namespace mobrel::test {

fs::path StubPath() {
    return BinaryDir() / "cli" / "ZipSFX32.bin";
}

std::vector<std::string> MakeSourceTree(const fs::path& folder) {
    fs::create_directories(folder / "sub");
    WriteFileText(folder / "readme.txt", "Read me first.\n");
    std::string run;
    for (int i = 0; i < 5000; ++i) {
        run += "line " + std::to_string(i % 37) + "\n";
    }
    WriteFileText(folder / "sub" / "lines.txt", run);
    std::vector<uint8_t> noise(20000);
    std::mt19937 random(7);
    std::generate(noise.begin(), noise.end(), [&] { return static_cast<uint8_t>(random()); });
    WriteFileBytes(folder / "noise.bin", noise);
    return {"readme.txt", "sub/lines.txt", "noise.bin"};
}

::testing::AssertionResult SameFiles(const fs::path& source, const fs::path& target,
                                     const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (!fs::is_regular_file(target / name)) {
            return ::testing::AssertionFailure() << name << " is missing from " << target;
        }
        if (ReadFileBytes(source / name) != ReadFileBytes(target / name)) {
            return ::testing::AssertionFailure() << name << " differs";
        }
    }
    return ::testing::AssertionSuccess();
}

CommandResult RunHeadless(const fs::path& program, const std::string& args,
                          const fs::path& workDir) {
    return RunCommand("cd " + ShellQuote(workDir.string()) + " && " + ShellQuote(program.string()) +
                      " " + args + " </dev/null");
}

void AssembleWithPeerZip(const fs::path& program, const std::vector<uint8_t>& block,
                         const fs::path& folder) {
    ASSERT_TRUE(HaveTool("zip"));
    const fs::path archive = program.string() + ".part.zip";
    const CommandResult zipped = RunCommand("cd " + ShellQuote(folder.string()) + " && zip -qr " +
                                            ShellQuote(archive.string()) + " .");
    ASSERT_EQ(zipped.ExitCode, 0) << zipped.Output;
    std::vector<uint8_t> bytes = ReadFileBytes(StubPath());
    bytes.insert(bytes.end(), block.begin(), block.end());
    const std::vector<uint8_t> zipBytes = ReadFileBytes(archive);
    bytes.insert(bytes.end(), zipBytes.begin(), zipBytes.end());
    WriteFileBytes(program, bytes);
    fs::remove(archive);
    const CommandResult adjusted = RunCommand("zip -qA " + ShellQuote(program.string()));
    ASSERT_EQ(adjusted.ExitCode, 0) << adjusted.Output;
    fs::permissions(program, fs::perms::owner_exec, fs::perm_options::add);
}

std::vector<std::string> TreeFiles(const fs::path& folder) {
    std::vector<std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        if (item.is_regular_file()) {
            files.push_back(fs::relative(item.path(), folder).generic_string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace mobrel::test
