#pragma once
// Shared helpers for the test suite: where the shared material lives, scratch folders,
// whole-file reads and running peer tools.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mobrel::test {

// ../shared (the MOBREL_SHARED_DIR cache variable), and its testdata and corpus folders.
std::filesystem::path SharedDir();
std::filesystem::path TestDataDir();
std::filesystem::path CorpusDir();
// The build tree, for programs built beside the tests (mobrel-cli, the stub).
std::filesystem::path BinaryDir();

// A fresh folder under the temporary folder, removed with everything in it on destruction.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& file);
void WriteFileBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes);
void WriteFileText(const std::filesystem::path& file, const std::string& text);

struct CommandResult {
    int ExitCode = -1;
    std::string Output;  // standard output and standard error together
};
// Runs a shell command line and captures what it prints.
CommandResult RunCommand(const std::string& commandLine);
// Quotes one argument for the shell.
std::string ShellQuote(const std::string& text);
// True when the program is on PATH. Peer tools are required: tests fail, not skip,
// when one is missing (the test command installs them).
bool HaveTool(const std::string& program);

// One row of testdata/manifest.tsv, by column name.
struct ManifestRow {
    std::string File;
    std::string Features;
    std::string ExpectedOutcome;
    std::string Password;
    std::string UnzipTqq;
    std::string SevenZipT;
    std::string PythonZipfile;
};
std::vector<ManifestRow> ReadManifest();

// The threads this process runs now. The first call starts and joins a thread before it
// counts, so a runtime that adds a thread of its own with the first one (ThreadSanitizer
// does) is counted before an operation and after it alike.
int ThreadCount();

}  // namespace mobrel::test
