#include "writer/zipper_test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <random>
#include <sstream>

namespace mobrel::test {

namespace fs = std::filesystem;

namespace {

uint16_t U16(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes.at(at) | bytes.at(at + 1) << 8);
}

uint32_t U32(const std::vector<uint8_t>& bytes, size_t at) {
    return U16(bytes, at) | static_cast<uint32_t>(U16(bytes, at + 2)) << 16;
}

ExtractedTree ReadTree(const fs::path& root) {
    ExtractedTree tree;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        if (!item.is_regular_file()) {
            continue;
        }
        ExtractedFile file;
        const std::vector<uint8_t> bytes = ReadFileBytes(item.path());
        file.Bytes.assign(bytes.begin(), bytes.end());
        struct stat info {};
        stat(item.path().c_str(), &info);
        file.ModifiedTime = info.st_mtime;
        file.ReadOnly = (info.st_mode & S_IWUSR) == 0;
        tree[fs::relative(item.path(), root).string()] = file;
    }
    return tree;
}

ExtractedTree ExtractWith(const std::string& command) {
    TempDir out;
    const CommandResult result =
        RunCommand("cd " + ShellQuote(out.Path().string()) + " && " + command);
    EXPECT_EQ(result.ExitCode, 0) << command << "\n" << result.Output;
    return ReadTree(out.Path());
}

}  // namespace

std::string MakeFile(const fs::path& folder, const std::string& relative, const std::string& text) {
    const fs::path path = folder / relative;
    fs::create_directories(path.parent_path());
    WriteFileText(path, text);
    return path.string();
}

void SetFileTime(const std::string& path, int64_t secondsSinceEpoch) {
    const timespec times[2] = {{secondsSinceEpoch, 0}, {secondsSinceEpoch, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

std::string CompressibleText(size_t size) {
    std::string text;
    for (int line = 0; text.size() < size; ++line) {
        text += "Line " + std::to_string(line % 97) + " of a text that repeats itself.\n";
    }
    text.resize(size);
    return text;
}

std::string RandomBytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

void ExpectPeersAccept(const fs::path& archive, const std::string& password) {
    ASSERT_TRUE(HaveTool("unzip") && HaveTool("7z")) << "the peer tools are required";
    const std::string quoted = ShellQuote(archive.string());
    const std::string unzipPassword = password.empty() ? "" : " -P " + ShellQuote(password);
    const CommandResult unzip = RunCommand("unzip -t" + unzipPassword + " " + quoted);
    EXPECT_EQ(unzip.ExitCode, 0) << unzip.Output;
    const std::string sevenPassword = password.empty() ? "" : " -p" + ShellQuote(password);
    const CommandResult seven = RunCommand("7z t" + sevenPassword + " " + quoted);
    EXPECT_EQ(seven.ExitCode, 0) << seven.Output;
}

ExtractedTree ExtractWithUnzip(const fs::path& archive, const std::string& password) {
    const std::string option = password.empty() ? "" : " -P " + ShellQuote(password);
    return ExtractWith("unzip -q" + option + " " + ShellQuote(archive.string()));
}

ExtractedTree ExtractWith7z(const fs::path& archive, const std::string& password) {
    const std::string option = password.empty() ? "" : " -p" + ShellQuote(password);
    return ExtractWith("7z x -y" + option + " " + ShellQuote(archive.string()));
}

ExtractedTree ExtractWithPython(const fs::path& archive, const std::string& password) {
    const std::string pwd = password.empty() ? "None" : "sys.argv[2].encode()";
    return ExtractWith(
        "python3 -c 'import sys,zipfile; zipfile.ZipFile(sys.argv[1]).extractall(pwd=" + pwd +
        ")' " + ShellQuote(archive.string()) +
        (password.empty() ? "" : " " + ShellQuote(password)));
}

std::vector<std::string> PythonNames(const fs::path& archive) {
    const CommandResult result = RunCommand(
        "python3 -c 'import sys,zipfile; "
        "print(\"\\n\".join(zipfile.ZipFile(sys.argv[1]).namelist()))' " +
        ShellQuote(archive.string()));
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    std::vector<std::string> names;
    std::istringstream in(result.Output);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            names.push_back(line);
        }
    }
    return names;
}

std::vector<RawEntry> ReadRawEntries(const fs::path& archive) {
    const std::vector<uint8_t> bytes = ReadFileBytes(archive);
    std::vector<RawEntry> entries;
    size_t end = bytes.size() - 22;
    while (end > 0 && U32(bytes, end) != 0x06054B50) {
        --end;
    }
    const uint16_t count = U16(bytes, end + 10);
    size_t at = U32(bytes, end + 16);
    for (int i = 0; i < count; ++i) {
        RawEntry entry;
        const uint16_t nameLength = U16(bytes, at + 28);
        entry.Name.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at + 46),
                          bytes.begin() + static_cast<std::ptrdiff_t>(at + 46 + nameLength));
        entry.Flags = U16(bytes, at + 8);
        entry.Method = U16(bytes, at + 10);
        entry.Crc = U32(bytes, at + 16);
        entry.CompressedSize = U32(bytes, at + 20);
        entry.UncompressedSize = U32(bytes, at + 24);
        entry.LocalHeaderOffset = U32(bytes, at + 42);
        const size_t local = entry.LocalHeaderOffset;
        const size_t data = local + 30 + U16(bytes, local + 26) + U16(bytes, local + 28);
        const size_t dataEnd = data + entry.CompressedSize;
        entry.Data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(data),
                          bytes.begin() + static_cast<std::ptrdiff_t>(dataEnd));
        const size_t after = std::min(bytes.size(), dataEnd + 16);
        entry.AfterData.assign(bytes.begin() + static_cast<std::ptrdiff_t>(dataEnd),
                               bytes.begin() + static_cast<std::ptrdiff_t>(after));
        entries.push_back(entry);
        at += 46 + nameLength + U16(bytes, at + 30) + U16(bytes, at + 32);
    }
    return entries;
}

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(folder)) {
        names.push_back(item.path().filename().string());
    }
    return names;
}

}  // namespace mobrel::test
