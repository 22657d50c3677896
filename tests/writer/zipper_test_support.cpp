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

ExtractedTree ExtractWith7zz(const fs::path& archive) {
    EXPECT_TRUE(HaveTool("7zz")) << "the peer tools are required";
    return ExtractWith("7zz x -y -bd " + ShellQuote(archive.string()) + " > /dev/null");
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
    const RawZipArchive raw = ReadRawZip(archive);
    std::vector<RawEntry> entries;
    for (const RawZipEntry& found : raw.Entries) {
        RawEntry entry;
        static_cast<RawZipEntry&>(entry) = found;
        const auto data = raw.Data(found);
        entry.Data.assign(data.begin(), data.end());
        const size_t dataEnd = found.DataOffset + found.CompressedSize;
        const size_t after = std::min(raw.Bytes.size(), dataEnd + 16);
        entry.AfterData.assign(raw.Bytes.begin() + static_cast<std::ptrdiff_t>(dataEnd),
                               raw.Bytes.begin() + static_cast<std::ptrdiff_t>(after));
        entries.push_back(entry);
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
