#include "writer/zip64_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/engine_errors.h"
#include "test_support.h"

namespace mobrel::test {

namespace fs = std::filesystem;

namespace {

constexpr int kPatternLength = 251;

// Reads hexadecimal text back into bytes.
std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// For each entry one line: name, sizes, offset, then the central extra, the local extra and
// the descriptor in hex ("-" for none). The descriptor's sizes take 8 bytes each when the
// local header has a ZIP64 field, as readers take them.
constexpr const char* kRecordScript = R"(
import struct, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
f = open(sys.argv[1], 'rb')
for i in z.infolist():
    f.seek(i.header_offset)
    h = f.read(30)
    n, m = struct.unpack('<HH', h[26:30])
    f.read(n)
    local = f.read(m)
    desc = b''
    if i.flag_bits & 8:
        f.seek(i.header_offset + 30 + n + m + i.compress_size)
        sig = f.read(4)
        wide = False
        at = 0
        while at + 4 <= len(local):
            tag, size = struct.unpack('<HH', local[at:at + 4])
            wide = wide or tag == 1
            at += 4 + size
        length = (4 if sig == b'PK\x07\x08' else 0) + 4 + (16 if wide else 8)
        f.seek(i.header_offset + 30 + n + m + i.compress_size)
        desc = f.read(length)
    print('\t'.join([i.filename, str(i.file_size), str(i.compress_size), str(i.header_offset),
                     i.extra.hex() or '-', local.hex() or '-', desc.hex() or '-']))
)";

}  // namespace

int64_t TGeneratedStream::Read(void* data, int64_t count) {
    const int64_t length = std::clamp<int64_t>(size_ - position_, 0, count);
    auto* bytes = static_cast<uint8_t*>(data);
    for (int64_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>((position_ + i) % kPatternLength);
    }
    position_ += length;
    return length;
}

int64_t TGeneratedStream::Write(const void*, int64_t) {
    return 0;
}

int64_t TGeneratedStream::Seek(int64_t offset, TSeekOrigin origin) {
    const int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : size_;
    position_ = base + offset;
    return position_;
}

void TGeneratedStream::SetSize(int64_t) {
    throw EStreamError("a generated stream can't be resized");
}

std::unique_ptr<TStream> TGeneratingZipper::OpenSourceFile(const std::string& fileName) {
    const auto found = Generated.find(fileName);
    if (found == Generated.end()) {
        return TZipper::OpenSourceFile(fileName);
    }
    return std::make_unique<TGeneratedStream>(found->second);
}

std::vector<PeerRecord> PythonRecords(const fs::path& archive) {
    const CommandResult listed = RunCommand("python3 -c " + ShellQuote(kRecordScript) + " " +
                                            ShellQuote(archive.string()) + " 2>&1");
    EXPECT_EQ(listed.ExitCode, 0) << listed.Output;
    std::vector<PeerRecord> records;
    std::istringstream lines(listed.Output);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) {
            fields.push_back(cell == "-" ? "" : cell);
        }
        if (fields.size() != 7) {
            ADD_FAILURE() << "unexpected line: " << line;
            continue;
        }
        records.push_back({fields[0], std::stoull(fields[1]), std::stoull(fields[2]),
                           std::stoull(fields[3]), FromHex(fields[4]), FromHex(fields[5]),
                           FromHex(fields[6])});
    }
    return records;
}

bool HasZip64Field(const std::string& area) {
    for (size_t at = 0; at + 4 <= area.size();) {
        const auto byte = [&](size_t i) { return static_cast<uint8_t>(area[i]); };
        if ((byte(at) | byte(at + 1) << 8) == 0x0001) {
            return true;
        }
        at += 4 + (byte(at + 2) | byte(at + 3) << 8);
    }
    return false;
}

bool HasZip64EndRecords(const fs::path& archive) {
    // The tail holds the end record, its comment and, when there, the 20-byte locator and
    // the 56-byte ZIP64 end record.
    const auto size = static_cast<int64_t>(fs::file_size(archive));
    const int64_t tailLength = std::min<int64_t>(size, 65535 + 22 + 20 + 56);
    std::ifstream in(archive, std::ios::binary);
    in.seekg(size - tailLength);
    std::string tail(static_cast<size_t>(tailLength), '\0');
    in.read(tail.data(), tailLength);
    const size_t end = tail.rfind(std::string("PK\5\6", 4));
    if (end == std::string::npos || end < 20 + 56) {
        return false;
    }
    return tail.compare(end - 20, 4, std::string("PK\6\7", 4)) == 0 &&
           tail.compare(end - 20 - 56, 4, std::string("PK\6\6", 4)) == 0;
}

void ExpectEveryPeerPasses(const fs::path& archive) {
    ASSERT_TRUE(HaveTool("unzip") && HaveTool("7zz") && HaveTool("python3"));
    const std::string quoted = ShellQuote(archive.string());
    const CommandResult unzip = RunCommand("unzip -tqq " + quoted);
    EXPECT_EQ(unzip.ExitCode, 0) << unzip.Output;
    const CommandResult seven = RunCommand("7zz t " + quoted);
    EXPECT_EQ(seven.ExitCode, 0) << seven.Output;
    const CommandResult python = RunCommand(
        "python3 -c 'import sys,zipfile; sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not "
        "None)' " +
        quoted + " 2>&1");
    EXPECT_EQ(python.ExitCode, 0) << python.Output;
}

std::vector<std::string> FolderEntryNames(const std::string& prefix, int first, int count) {
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(count));
    for (int n = first; n < first + count; ++n) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%05d/", n);
        names.push_back(prefix + digits);
    }
    return names;
}

}  // namespace mobrel::test
