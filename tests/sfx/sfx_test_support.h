#pragma once
// Helpers for the self-extractor tests: the built stub, a small tree of files to pack, and
// running a made program without a terminal.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace mobrel::test {

// The stub as installed beside mobrel-cli.
std::filesystem::path StubPath();

// A few files in folder: text, a compressible run, incompressible bytes, one in a subfolder.
// Returns their paths relative to folder.
std::vector<std::string> MakeSourceTree(const std::filesystem::path& folder);

// True when every file of source (by the relative names) is in target with the same bytes.
::testing::AssertionResult SameFiles(const std::filesystem::path& source,
                                     const std::filesystem::path& target,
                                     const std::vector<std::string>& names);

// Runs program with args in folder workDir, standard input from /dev/null.
CommandResult RunHeadless(const std::filesystem::path& program, const std::string& args,
                          const std::filesystem::path& workDir);

// stub + block + an archive of folder's files made by the peer zip, with its offsets
// adjusted by the peer (zip -A), so the stub is tested against an archive not our own.
void AssembleWithPeerZip(const std::filesystem::path& program, const std::vector<uint8_t>& block,
                         const std::filesystem::path& folder);

// The list of files of a directory tree (relative names, '/' separated), sorted.
std::vector<std::string> TreeFiles(const std::filesystem::path& folder);

}  // namespace mobrel::test
