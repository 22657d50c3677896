// Names that differ only by case, by Unicode normalization, by a trailing dot or space, or
// by a control character that extraction writes as '_'. Linux keeps the first three apart,
// so each such entry comes out with its own contents; two names that meet at one output
// path (a control character and its '_') meet the overwrite rules, as two equal names do,
// and the second never replaces the first silently.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "cli/cli_run.h"
#include "format/zip_builder.h"
#include "reader/un_zipper.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

const char* const kNfc = "\xC3\xA9.txt";   // U+00E9
const char* const kNfd = "e\xCC\x81.txt";  // e, U+0301

// Every name in UTF-8 with the language-encoding flag, from a Unix host.
test::Bytes NearTwins() {
    test::ZipBuilder builder;
    const std::vector<std::pair<std::string, std::string>> entries = {
        {"A.txt", "upper"},
        {"a.txt", "lower"},
        {kNfc, "composed"},
        {kNfd, "decomposed"},
        {"x.", "dot"},
        {"x", "plain"},
        {"x ", "space"},
        {"ctl\x01.txt", "control"},
        {"ctl_.txt", "underscore"},
    };
    for (const auto& [name, data] : entries) {
        test::BuiltEntry entry(name, data);
        entry.Flags = 0x800;
        builder.Add(entry);
    }
    return builder.Build();
}

const std::map<std::string, std::string> kApart = {
    {"A.txt", "upper"}, {"a.txt", "lower"}, {kNfc, "composed"}, {kNfd, "decomposed"},
    {"x.", "dot"},      {"x", "plain"},     {"x ", "space"},
};

class NameCollision : public testing::Test {
  protected:
    NameCollision() {
        test::WriteFileBytes(temp / "twins.zip", NearTwins());
        zipper.SetZipName((temp / "twins.zip").string());
        zipper.SetDestDir((temp / "out").string());
        zipper.OnSkippingFile = [this](TUnZipper&, TSkipReason reason, const std::string& name,
                                       int index, bool&) {
            skips.push_back(std::to_string(reason) + " " + std::to_string(index) + " " +
                            fs::path(name).filename().string());
        };
    }
    int Run(TUZOverwriteMode mode) {
        zipper.SetOverwriteMode(mode);
        zipper.SetDoAll(true);
        return zipper.UnZip();
    }
    std::map<std::string, std::string> Files() const {
        std::map<std::string, std::string> files;
        for (const auto& item : fs::directory_iterator(temp / "out")) {
            const auto bytes = test::ReadFileBytes(item.path());
            files[item.path().filename().string()] = std::string(bytes.begin(), bytes.end());
        }
        return files;
    }
    std::map<std::string, std::string> Expected(const std::string& meeting) const {
        std::map<std::string, std::string> files = kApart;
        files["ctl_.txt"] = meeting;
        return files;
    }

    test::TempDir temp;
    TUnZipper zipper;
    std::vector<std::string> skips;
};

TEST_F(NameCollision, NearTwinsComeOutApartAndAMeetingKeepsTheFirstUnderNever) {
    EXPECT_EQ(Run(TUZOverwriteMode::Never), 8);
    EXPECT_EQ(Files(), Expected("control"));
    EXPECT_EQ(skips, std::vector<std::string>{"1 8 ctl_.txt"});  // skNoOverwrite
}

TEST_F(NameCollision, AlwaysLetsTheSecondOfAMeetingReplaceTheFirst) {
    EXPECT_EQ(Run(TUZOverwriteMode::Always), 9);
    EXPECT_EQ(Files(), Expected("underscore"));
    EXPECT_TRUE(skips.empty());
}

TEST_F(NameCollision, PromptAsksOnceForTheMeetingAndTheAnswerDecides) {
    std::vector<int> asked;
    zipper.OnPromptForOverwrite = [&asked](TUnZipper&, bool& overWriteIt, int index, std::string&) {
        asked.push_back(index);
        overWriteIt = false;
    };
    EXPECT_EQ(Run(TUZOverwriteMode::Prompt), 8);
    EXPECT_EQ(asked, std::vector<int>{8});
    EXPECT_EQ(Files(), Expected("control"));
}

// mobrel-cli extract: the same, with the meeting reported on standard error under -o never.
TEST_F(NameCollision, TheCommandLineKeepsTwinsApartAndReportsTheMeeting) {
    const std::string archive = (temp / "twins.zip").string();
    const std::string out = (temp / "out").string();
    const test::CliRun kept = test::RunCli({"extract", archive, "-d", out, "-o", "never"});
    EXPECT_EQ(kept.Status, 1) << kept.Err;
    EXPECT_NE(kept.Err.find("ctl_.txt: exists and was not replaced"), std::string::npos)
        << kept.Err;
    EXPECT_EQ(Files(), Expected("control"));
    fs::remove_all(out);
    const test::CliRun replaced = test::RunCli({"extract", archive, "-d", out, "-o", "always"});
    EXPECT_EQ(replaced.Status, 0) << replaced.Err;
    EXPECT_EQ(Files(), Expected("underscore"));
}

}  // namespace
}  // namespace mobrel
