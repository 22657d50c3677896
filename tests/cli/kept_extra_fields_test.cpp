// An archive written by zip -r (extended timestamps and Unix owner fields in its headers)
// rewritten by mobrel-cli add, delete, comment and fix: every entry it keeps keeps its local
// and central extra fields byte for byte, and zipinfo describes it as before.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "cli_run.h"
#include "test_support.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::RunCli;

struct ExtraAreas {
    std::string Local;
    std::string Central;
    bool operator==(const ExtraAreas&) const = default;
};

std::map<std::string, ExtraAreas> ExtrasByName(const fs::path& archive) {
    std::map<std::string, ExtraAreas> extras;
    for (const test::RawEntry& entry : test::ReadRawEntries(archive)) {
        extras[entry.Name] = {entry.LocalExtra, entry.CentralExtra};
    }
    return extras;
}

// The tags of an extra area, in order.
std::vector<unsigned> Tags(const std::string& area) {
    std::vector<unsigned> tags;
    for (size_t at = 0; at + 4 <= area.size();) {
        const auto byte = [&](size_t i) {
            return static_cast<unsigned>(static_cast<uint8_t>(area[i]));
        };
        tags.push_back(byte(at) | byte(at + 1) << 8);
        at += 4 + (byte(at + 2) | byte(at + 3) << 8);
    }
    return tags;
}

// zipinfo -v's description of each entry by name, without the lines that give positions
// in the file (which a rewrite moves).
std::map<std::string, std::string> ZipinfoByName(const fs::path& archive) {
    const std::string listing =
        test::RunCommand("zipinfo -v " + test::ShellQuote(archive.string())).Output;
    static const std::regex position(R"(offset|^\s+\([0-9A-Fa-f]+h\) bytes$)");
    std::map<std::string, std::string> entries;
    std::istringstream lines(listing);
    std::string name;
    bool nameNext = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("Central directory entry #")) {
            name.clear();
            nameNext = true;
            continue;
        }
        if (nameNext && line.starts_with("  ") && line.find_first_not_of(' ') == 2) {
            name = line.substr(2);
            nameNext = false;
            continue;
        }
        if (!name.empty() && !std::regex_search(line, position)) {
            entries[name] += line + "\n";
        }
    }
    return entries;
}

class PeerArchiveRewritten : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"a.txt", "b.txt", "c.txt", "sub/d.txt"}) {
            test::MakeFile(Tree(), name, std::string("text of ") + name + "\n");
        }
        const test::CommandResult zip =
            test::RunCommand("cd " + test::ShellQuote(Tree().string()) + " && zip -qr " +
                             test::ShellQuote(Archive().string()) + " a.txt b.txt c.txt sub");
        ASSERT_EQ(zip.ExitCode, 0) << zip.Output;
        extras_ = ExtrasByName(Archive());
        zipinfo_ = ZipinfoByName(Archive());
        // What the comparison relies on: zip wrote both kinds of field.
        ASSERT_EQ(Tags(extras_.at("a.txt").Local), (std::vector<unsigned>{0x5455, 0x7875}));
        ASSERT_EQ(zipinfo_.size(), 5u);
    }

    fs::path Tree() const { return temp_ / "tree"; }
    fs::path Archive() const { return temp_ / "peer.zip"; }

    // Every entry of the original other than those left out is in result as it was.
    void ExpectKept(const fs::path& result, const std::vector<std::string>& leftOut = {}) {
        const auto extras = ExtrasByName(result);
        const auto zipinfo = ZipinfoByName(result);
        for (const auto& [name, areas] : extras_) {
            if (std::find(leftOut.begin(), leftOut.end(), name) != leftOut.end()) {
                EXPECT_EQ(extras.count(name), 0u) << name;
                continue;
            }
            ASSERT_EQ(extras.count(name), 1u) << name;
            EXPECT_EQ(extras.at(name), areas) << name;
            EXPECT_EQ(zipinfo.at(name), zipinfo_.at(name)) << name;
        }
        test::ExpectPeersAccept(result);
    }

    test::TempDir temp_;
    std::map<std::string, ExtraAreas> extras_;
    std::map<std::string, std::string> zipinfo_;
};

TEST_F(PeerArchiveRewritten, AddingAFileKeepsEveryOtherEntrysFields) {
    test::MakeFile(Tree(), "new.txt", "new\n");
    const CliRun run = RunCli({"add", Archive().string(), "new.txt"}, Tree());
    ASSERT_EQ(run.Status, 0) << run.Err;
    ExpectKept(Archive());
    EXPECT_EQ(Tags(ExtrasByName(Archive()).at("new.txt").Central), std::vector<unsigned>{0x5455});
}

TEST_F(PeerArchiveRewritten, DeletingCommentingAndFixingKeepTheFields) {
    CliRun run = RunCli({"delete", Archive().string(), "b.txt"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ExpectKept(Archive(), {"b.txt"});
    run = RunCli({"comment", Archive().string(), "an archive comment"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ExpectKept(Archive(), {"b.txt"});
    const fs::path fixed = temp_ / "fixed.zip";
    run = RunCli({"fix", Archive().string(), fixed.string()});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ExpectKept(fixed, {"b.txt"});
}

TEST_F(PeerArchiveRewritten, AProgramMadeFromTheArchiveKeepsTheFields) {
    // An existing .zip is only read; the program goes beside it with one more file.
    test::MakeFile(Tree(), "new.txt", "new\n");
    const CliRun run = RunCli({"sfx", Archive().string(), "new.txt"}, Tree());
    ASSERT_EQ(run.Status, 0) << run.Err;
    const fs::path program = temp_ / "peer.exe";
    const auto extras = ExtrasByName(program);
    ASSERT_EQ(extras.size(), extras_.size() + 1);
    for (const auto& [name, areas] : extras_) {
        EXPECT_EQ(extras.at(name), areas) << name;
    }
    const test::CommandResult tested =
        test::RunCommand("unzip -tq " + test::ShellQuote(program.string()));
    EXPECT_EQ(tested.ExitCode, 0) << tested.Output;
}

TEST_F(PeerArchiveRewritten, ARepairFromLocalHeadersGivesTheCentralFormOfSharedFields) {
    // Cut the archive where its central directory starts: only local headers are left.
    const auto raw = test::ReadRawEntries(Archive());
    auto bytes = test::ReadFileBytes(Archive());
    const auto& last = raw.back();
    bytes.resize(last.DataOffset + last.CompressedSize);
    const fs::path cut = temp_ / "cut.zip";
    test::WriteFileBytes(cut, bytes);
    const fs::path fixed = temp_ / "fixed.zip";
    const CliRun run = RunCli({"fix", cut.string(), fixed.string()});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto extras = ExtrasByName(fixed);
    ASSERT_EQ(extras.size(), extras_.size());
    for (const auto& [name, areas] : extras_) {
        EXPECT_EQ(extras.at(name).Local, areas.Local) << name;
        // zip's central timestamp is the local one cut to the modification time; its central
        // owner field is empty, and owner ids are not guessed: the field is left out.
        const std::string& central = areas.Central;
        ASSERT_EQ(Tags(central), (std::vector<unsigned>{0x5455, 0x7875})) << name;
        EXPECT_EQ(extras.at(name).Central, central.substr(0, 9)) << name;
    }
    test::ExpectPeersAccept(fixed);
}

}  // namespace
}  // namespace mobrel
