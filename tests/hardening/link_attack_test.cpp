// Archives whose symbolic link entries try to lead the extraction out of its destination:
// absolute and climbing targets, chains and loops of links, links that later entries try
// to write through, and targets no path can be. Each refused link is a skip with its
// reason and a text naming it; nothing appears outside the destination and nothing is
// written through a link. Read into memory, a link entry is just its target text.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>

#include "hardening/hostile_archives.h"
#include "hardening/link_attack_archives.h"
#include "reader/entry_failure_log.h"
#include "reader/un_zipper.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

using Item = test::LinkItem;
using test::Link;
constexpr uint32_t kFolder = test::kUnixFolderAttributes;

Bytes Archive(const std::vector<Item>& items) {
    return test::LinkArchive(items);
}

class LinkAttack : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(Probe());
        test::WriteFileBytes(Probe() / "secret.txt", {'k', 'e', 'p', 't'});
        fs::create_directories(Out());
    }
    fs::path Out() const { return temp / "a" / "b" / "out"; }
    fs::path Probe() const { return temp / "probe"; }

    // Extracts every entry; the skips by the entry's name below Out().
    int Extract(const std::vector<Item>& items, bool recreateDirs = true,
                TUZOverwriteMode mode = TUZOverwriteMode::Always) {
        test::WriteFileBytes(temp / "links.zip", Archive(items));
        TUnZipper zipper;
        zipper.SetZipName((temp / "links.zip").string());
        zipper.SetDestDir(Out().string());
        zipper.SetRecreateDirs(recreateDirs);
        zipper.SetOverwriteMode(mode);
        zipper.SetDoAll(true);
        zipper.OnSkippingFile = [this](TUnZipper& sender, TSkipReason reason,
                                       const std::string& name, int, bool&) {
            std::string relative = fs::path(name).lexically_relative(Out()).string();
            if (relative.ends_with("/.")) {
                relative.resize(relative.size() - 2);  // a folder entry's name
            }
            while (relative.ends_with("/")) {
                relative.pop_back();
            }
            skips[relative] = {reason, sender.LastSkipDetail()};
        };
        return zipper.UnZip();
    }
    // Nothing outside the destination, and the file beside it untouched.
    void ExpectNothingEscaped() {
        std::vector<fs::path> outside = test::PathsOutside(temp.Path(), Out());
        std::sort(outside.begin(), outside.end());
        EXPECT_EQ(outside,
                  (std::vector<fs::path>{temp / "links.zip", Probe(), Probe() / "secret.txt"}));
        EXPECT_EQ(test::ReadFileBytes(Probe() / "secret.txt"), (Bytes{'k', 'e', 'p', 't'}));
    }
    void ExpectUnsafe(const std::string& name, const std::string& detailPart) {
        ASSERT_EQ(skips.count(name), 1u) << name;
        EXPECT_EQ(skips[name].first, skUnsafeLink) << name;
        EXPECT_NE(skips[name].second.find(detailPart), std::string::npos)
            << name << ": " << skips[name].second;
        EXPECT_FALSE(fs::is_symlink(Out() / name)) << name;
    }
    bool IsLinkTo(const std::string& name, const std::string& target) const {
        return fs::is_symlink(Out() / name) && fs::read_symlink(Out() / name) == target;
    }

    test::TempDir temp;
    std::map<std::string, std::pair<TSkipReason, std::string>> skips;
};

TEST_F(LinkAttack, AbsoluteAndClimbingTargetsAreRefusedNamingTheTarget) {
    const std::string outside = (Probe() / "secret.txt").string();
    Extract({Link("root", "/"), Link("up", ".."), Link("probe", "../../../probe"),
             Link("abs", outside), Link("deep/up2", "../../x"), Link("fine", "deep/../inside")});
    ExpectUnsafe("root", "link to / leaves the destination");
    ExpectUnsafe("up", "link to .. leaves");
    ExpectUnsafe("probe", "../../../probe");
    ExpectUnsafe("abs", outside);
    ExpectUnsafe("deep/up2", "../../x");
    EXPECT_TRUE(IsLinkTo("fine", "deep/../inside"));
    EXPECT_EQ(skips.size(), 5u);
    ExpectNothingEscaped();
}

TEST_F(LinkAttack, AChainOfLinksCannotWalkOut) {
    Extract({Link("a", "."), Link("b", "a/.."), Link("c", "b/..")});
    EXPECT_TRUE(IsLinkTo("a", "."));
    ExpectUnsafe("b", "leaves");
    // b was not made; "b/.." is no real folder's parent, which a later link could move.
    ExpectUnsafe("c", "leaves");
    ExpectNothingEscaped();
}

TEST_F(LinkAttack, ALinkOthersWentThroughIsNotReplacedByAnother) {
    // c -> a/.. is the destination while a is a folder's link; a -> . would make it its parent.
    Extract({{"sub/", "", kFolder}, Link("a", "sub"), Link("c", "a/.."), Link("a", ".")});
    EXPECT_TRUE(IsLinkTo("a", "sub"));
    EXPECT_TRUE(IsLinkTo("c", "a/.."));
    EXPECT_EQ(skips["a"].first, skUnsafeLink);
    EXPECT_NE(skips["a"].second.find("other links"), std::string::npos) << skips["a"].second;
    ExpectNothingEscaped();
}

TEST_F(LinkAttack, NothingIsWrittenThroughALinkMadeByTheRunOrFoundThere) {
    fs::create_directories(Out() / "real");
    fs::create_directory_symlink(Probe(), Out() / "found");
    Extract({Link("inside", "real"),
             {"inside/x.txt", "through"},
             {"inside/", "", kFolder},
             {"inside/deeper/y.txt", "through"},
             {"found/z.txt", "through"},
             {"found", "replaces the link"}});
    EXPECT_TRUE(IsLinkTo("inside", "real"));
    for (const char* name : {"inside/x.txt", "inside", "inside/deeper/y.txt"}) {
        ASSERT_EQ(skips.count(name), 1u) << name;
        EXPECT_EQ(skips[name].first, skUnsafeLink);
        EXPECT_NE(skips[name].second.find("is a symbolic link"), std::string::npos);
    }
    EXPECT_EQ(skips["found/z.txt"].first, skUnsafeLink);
    EXPECT_TRUE(fs::is_empty(Out() / "real"));
    // A file entry replaces the link at its name rather than following it.
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Out() / "found")));
    EXPECT_EQ(std::distance(fs::directory_iterator(Probe()), fs::directory_iterator()), 1);
    ExpectNothingEscaped();
}

TEST_F(LinkAttack, ARefusedLinkLeavesItsNameToARealFolderOrFile) {
    Extract({Link("docs", "../../../probe"),
             {"docs/readme.txt", "inside"},
             Link("twin", "../../../probe/secret.txt"),
             {"twin", "a file now"},
             Link("twin2", "real.txt"),
             {"twin2", "replaces the link"}});
    ExpectUnsafe("docs", "leaves");
    ExpectUnsafe("twin", "leaves");
    EXPECT_EQ(test::ReadFileBytes(Out() / "docs" / "readme.txt"),
              (Bytes{'i', 'n', 's', 'i', 'd', 'e'}));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Out() / "twin")));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Out() / "twin2")));
    EXPECT_FALSE(fs::exists(Out() / "real.txt"));
    ExpectNothingEscaped();
}

TEST_F(LinkAttack, AnExistingLinkIsKeptOrReplacedByTheOverwriteRulesNeverFollowed) {
    fs::create_symlink(Probe() / "secret.txt", Out() / "kept");
    fs::create_symlink("nowhere", Out() / "dangling");
    Extract({{"kept", "never written"}, {"dangling", "never written"}, Link("kept2", "x")}, true,
            TUZOverwriteMode::Never);
    EXPECT_EQ(skips["kept"].first, skNoOverwrite);
    EXPECT_EQ(skips["dangling"].first, skNoOverwrite);
    EXPECT_TRUE(fs::is_symlink(Out() / "dangling"));
    EXPECT_TRUE(IsLinkTo("kept2", "x"));
    Extract({Link("kept", "kept2")});
    EXPECT_TRUE(IsLinkTo("kept", "kept2"));
    ExpectNothingEscaped();
}

TEST_F(LinkAttack, TargetsNoPathCanBeAreRefused) {
    const std::string huge(64 * 1024, 'x');
    const std::string withNul("a\0b", 3);
    Extract({Link("empty", ""), Link("huge", huge), Link("nul", withNul)});
    ExpectUnsafe("empty", "empty target");
    ExpectUnsafe("huge", "longer than a path");
    ExpectUnsafe("nul", "NUL byte");
    ExpectNothingEscaped();
}

TEST_F(LinkAttack, LoopsAreRefusedWhenTheyClose) {
    Extract({Link("a", "b"), Link("b", "a"), Link("self", "self/x")});
    EXPECT_TRUE(IsLinkTo("a", "b"));
    ExpectUnsafe("b", "loop");
    ExpectUnsafe("self", "loop");
    ExpectNothingEscaped();
}

TEST_F(LinkAttack, WithoutFoldersTheTargetIsJudgedWhereTheLinkIsMade) {
    Extract({Link("sub/up", "../x"), Link("sub/down", "x")}, false);
    ExpectUnsafe("up", "../x");
    EXPECT_TRUE(IsLinkTo("down", "x"));
    ExpectNothingEscaped();
}

TEST_F(LinkAttack, InMemoryAndInATestALinkIsItsTargetText) {
    const std::string huge(64 * 1024, 'x');
    const std::vector<std::string> targets = {"/", "..", "", huge, std::string("a\0b", 3)};
    std::vector<Item> items;
    for (size_t i = 0; i < targets.size(); ++i) {
        items.push_back(Link("link" + std::to_string(i), targets[i]));
    }
    test::WriteFileBytes(temp / "links.zip", Archive(items));
    TUnZipper zipper;
    zipper.SetZipName((temp / "links.zip").string());
    zipper.ReadZip();
    for (int i = 0; i < zipper.Count(); ++i) {
        std::vector<uint8_t> buffer;
        EXPECT_EQ(zipper.UnZipToBuffer(buffer, i), 1);
        EXPECT_EQ(std::string(buffer.begin(), buffer.end()), targets[static_cast<size_t>(i)]);
    }
    zipper.SetDoAll(true);
    EXPECT_TRUE(zipper.TestEntries(-1));
    ExpectNothingEscaped();
}

// The shared attack list through the engine itself: each refused link is an unsafe-link
// skip in the run's failure log, with its reason, and nothing else is refused.
TEST(LinkAttackList, TheEngineRefusesEachLinkWithItsReasonAndStaysInside) {
    test::TempDir temp;
    test::TempDir archives;
    const test::LinkAttackZone zone(temp.Path());
    for (const test::LinkAttackArchive& attack : test::WriteLinkAttacks(archives.Path(), zone)) {
        SCOPED_TRACE(attack.Name);
        TUnZipper zipper;
        TEntryFailureLog log;
        log.Attach(zipper);
        zipper.SetZipName(attack.Archive.string());
        zipper.SetPassword(attack.Password);
        zipper.SetDestDir(zone.Out().string());
        zipper.SetRecreateDirs(true);
        zipper.SetOverwriteMode(TUZOverwriteMode::Always);
        zipper.SetDoAll(true);
        zipper.UnZip();
        std::string report;
        std::vector<std::string> refused;
        for (const TEntryFailure& failure : log.Failures()) {
            EXPECT_EQ(failure.Skip, std::optional<TSkipReason>(skUnsafeLink)) << failure.Reason;
            refused.push_back(failure.Name);
            report += failure.Name + ": " + failure.Reason + "\n";
        }
        std::vector<std::string> expected;
        for (const test::RefusedLink& link : attack.Refused) {
            expected.push_back(link.Entry);
        }
        EXPECT_EQ(refused, expected) << report;
        EXPECT_TRUE(test::ReportsEveryRefusal(attack, report));
        EXPECT_TRUE(zone.NothingEscaped());
        std::cout << "engine\t" << attack.Name << "\t" << report;
        zone.Reset();
    }
}

}  // namespace
}  // namespace mobrel
