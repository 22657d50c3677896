#include "test_support.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace mobrel::test {

namespace fs = std::filesystem;

fs::path SharedDir() {
    return fs::path(MOBREL_SHARED_DIR);
}
fs::path TestDataDir() {
    return SharedDir() / "testdata";
}
fs::path CorpusDir() {
    return SharedDir() / "corpus";
}
fs::path BinaryDir() {
    return fs::path(MOBREL_BINARY_DIR);
}

TempDir::TempDir() {
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (;;) {
        path_ = base / ("mobrel-test-" + std::to_string(random()));
        if (fs::create_directory(path_)) {
            break;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may leave read-only files behind; make them removable first.
    for (auto it = fs::recursive_directory_iterator(path_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
}

std::vector<uint8_t> ReadFileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + file.string());
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const fs::path& file, const std::vector<uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

void WriteFileText(const fs::path& file, const std::string& text) {
    WriteFileBytes(file, std::vector<uint8_t>(text.begin(), text.end()));
}

CommandResult RunCommand(const std::string& commandLine) {
    CommandResult result;
    FILE* pipe = popen((commandLine + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 4096> chunk;
    size_t got;
    while ((got = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) {
        result.Output.append(chunk.data(), got);
    }
    const int status = pclose(pipe);
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

bool HaveTool(const std::string& program) {
    return RunCommand("command -v " + ShellQuote(program) + " >/dev/null").ExitCode == 0;
}

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t')) {
        fields.push_back(field);
    }
    if (!line.empty() && line.back() == '\t') {
        fields.emplace_back();
    }
    return fields;
}

}  // namespace

std::vector<ManifestRow> ReadManifest() {
    std::ifstream in(TestDataDir() / "manifest.tsv");
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> header = SplitTabs(line);
    std::map<std::string, size_t> column;
    for (size_t i = 0; i < header.size(); ++i) {
        column[header[i]] = i;
    }
    auto field = [&](const std::vector<std::string>& row, const std::string& name) {
        auto it = column.find(name);
        return it != column.end() && it->second < row.size() ? row[it->second] : std::string();
    };
    std::vector<ManifestRow> rows;
    while (std::getline(in, line)) {
        if (line.empty()) {
            continue;
        }
        const std::vector<std::string> row = SplitTabs(line);
        rows.push_back({field(row, "file"), field(row, "features"), field(row, "expected_outcome"),
                        field(row, "password"), field(row, "unzip_tqq"), field(row, "7z_t"),
                        field(row, "python_zipfile")});
    }
    return rows;
}

int ThreadCount() {
    static const bool warmedUp = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)warmedUp;
    int count = 0;
    for ([[maybe_unused]] const auto& task :
         std::filesystem::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

}  // namespace mobrel::test
