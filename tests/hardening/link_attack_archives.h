#pragma once
// The archives whose symbolic links try to lead an extraction out of its destination, one
// list shared by every front end's test: the engine, the command line, the window and the
// self-extractor. Each names the links it must refuse and a part of the reason each
// refusal must give; every other entry stays inside the destination.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "format/zip_builder.h"

namespace mobrel::test {

constexpr uint32_t kUnixLinkAttributes = 0xA1FF0000;    // lrwxrwxrwx
constexpr uint32_t kUnixFileAttributes = 0x81A40000;    // -rw-r--r--
constexpr uint32_t kUnixFolderAttributes = 0x41ED0010;  // drwxr-xr-x

struct LinkItem {
    std::string Name;
    std::string Data;  // a link's target text
    uint32_t Attributes = kUnixFileAttributes;
};

LinkItem Link(const std::string& name, const std::string& target);

// Stored entries from a Unix host in this order, their attributes in the central headers.
Bytes LinkArchive(const std::vector<LinkItem>& items);

struct RefusedLink {
    std::string Entry;  // the entry's name with '/' between folders
    std::string Why;    // a part of the reason given
};

struct LinkAttackArchive {
    std::string Name;
    std::filesystem::path Archive;  // what a user opens: the last file of a split set
    std::string Password;           // the AES entries' password; empty when none
    std::vector<RefusedLink> Refused;
    bool Split = false;
};

// A folder with the destination a few levels down and, beside it, a probe folder holding
// one file: every absolute target of the attacks points into the probe.
class LinkAttackZone {
  public:
    explicit LinkAttackZone(std::filesystem::path root);
    std::filesystem::path Out() const { return root_ / "a" / "b" / "out"; }
    std::filesystem::path Probe() const { return root_ / "probe"; }
    // An empty destination again.
    void Reset() const;
    // Nothing below the root but the destination's contents and the untouched probe.
    ::testing::AssertionResult NothingEscaped() const;

  private:
    std::filesystem::path root_;
};

// Writes every attack into folder (outside the zone) and returns them in order.
std::vector<LinkAttackArchive> WriteLinkAttacks(const std::filesystem::path& folder,
                                                const LinkAttackZone& zone);

// Whether report has, for every refused link, one line naming the entry and its reason.
::testing::AssertionResult ReportsEveryRefusal(const LinkAttackArchive& attack,
                                               const std::string& report);

}  // namespace mobrel::test
