#include "hardening/link_attack_archives.h"

#include <algorithm>
#include <random>
#include <sstream>

#include "hardening/hostile_archives.h"
#include "test_support.h"
#include "writer/multi_zip_info.h"
#include "writer/zipper.h"

namespace mobrel::test {

namespace fs = std::filesystem;

namespace {

const Bytes kSecret = {'k', 'e', 'p', 't'};
const char* const kLeaves = "leaves the destination";
const char* const kThroughLink = "is a symbolic link";

void SetAttributes(Bytes& centralHeader, uint32_t attributes) {
    for (size_t b = 0; b < 4; ++b) {
        centralHeader.at(38 + b) = static_cast<uint8_t>(attributes >> (8 * b));
    }
}

LinkItem Folder(const std::string& name) {
    return {name, "", kUnixFolderAttributes};
}

LinkAttackArchive Crafted(const fs::path& folder, const std::string& name,
                          const std::vector<LinkItem>& items, std::vector<RefusedLink> refused) {
    const fs::path archive = folder / (name + ".zip");
    WriteFileBytes(archive, LinkArchive(items));
    return {name, archive, "", std::move(refused)};
}

// Links made on disk, in order, for the writer to store as links.
fs::path LinkTree(const fs::path& tree, const LinkAttackZone& zone) {
    fs::create_directories(tree);
    fs::create_symlink("/", tree / "root");
    fs::create_symlink("..", tree / "up");
    fs::create_symlink(zone.Probe() / "secret.txt", tree / "abs");
    return tree;
}

const std::vector<RefusedLink> kTreeRefusals = {
    {"root", "link to / " + std::string(kLeaves)},
    {"up", "link to .. " + std::string(kLeaves)},
    {"abs", kLeaves},
};

// The writer stores the tree's links after the files given first.
void ZipLinks(TZipper& zipper, const fs::path& tree, const std::vector<std::string>& first) {
    zipper.SetRootDir(tree.string());
    zipper.SetRelativePaths(true);
    zipper.SetStoreSymlinks(true);
    zipper.SetPackLevel(0);
    for (const std::string& name : first) {
        zipper.FilesList().push_back((tree / name).string());
    }
    for (const char* link : {"root", "up", "abs"}) {
        zipper.FilesList().push_back((tree / link).string());
    }
    zipper.Zip();
}

LinkAttackArchive AesLinks(const fs::path& folder, const LinkAttackZone& zone) {
    const fs::path tree = LinkTree(folder / "aes-tree", zone);
    const fs::path archive = folder / "aes256-links.zip";
    TZipper zipper;
    zipper.SetZipName(archive.string());
    zipper.SetPassword("secret");
    zipper.SetEncryption(TZipEncryption::Aes256);
    ZipLinks(zipper, tree, {});
    return {"aes256-links", archive, "secret", kTreeRefusals};
}

// Blocks of 4 KiB after 12 KB of noise: the links are on the last disks.
LinkAttackArchive SplitLinks(const fs::path& folder, const LinkAttackZone& zone) {
    const fs::path tree = LinkTree(folder / "split-tree", zone);
    Bytes noise(12000);
    std::mt19937 random(25);
    std::generate(noise.begin(), noise.end(), [&] { return static_cast<uint8_t>(random()); });
    WriteFileBytes(tree / "noise.bin", noise);
    fs::create_directories(folder / "split");
    const fs::path archive = folder / "split" / "links.zip";
    TMultiZipInfo info;
    info.MultiMode = mmBlocks;
    info.FirstBlockSize = 4096;
    info.BlockSize = 4096;
    info.SplitNaming = snZip;
    TZipper zipper;
    zipper.SetMultiZipInfo(info);
    zipper.SetZipName(archive.string());
    ZipLinks(zipper, tree, {"noise.bin"});
    LinkAttackArchive attack{"split-set-links", archive, "", kTreeRefusals};
    attack.Split = true;
    return attack;
}

}  // namespace

LinkItem Link(const std::string& name, const std::string& target) {
    return {name, target, kUnixLinkAttributes};
}

Bytes LinkArchive(const std::vector<LinkItem>& items) {
    Bytes out;
    Bytes central;
    for (const LinkItem& item : items) {
        const BuiltEntry entry(item.Name, item.Data);
        Bytes header = CentralRecord(entry, static_cast<uint32_t>(out.size()));
        SetAttributes(header, item.Attributes);
        central.insert(central.end(), header.begin(), header.end());
        const Bytes local = LocalRecord(entry);
        out.insert(out.end(), local.begin(), local.end());
    }
    const Bytes end = ZipBuilder::EndRecord(0, 0, static_cast<uint16_t>(items.size()),
                                            static_cast<uint32_t>(central.size()),
                                            static_cast<uint32_t>(out.size()), "");
    out.insert(out.end(), central.begin(), central.end());
    out.insert(out.end(), end.begin(), end.end());
    return out;
}

LinkAttackZone::LinkAttackZone(fs::path root) : root_(std::move(root)) {
    fs::create_directories(Probe());
    WriteFileBytes(Probe() / "secret.txt", kSecret);
    Reset();
}

void LinkAttackZone::Reset() const {
    fs::remove_all(Out());
    fs::create_directories(Out());
}

::testing::AssertionResult LinkAttackZone::NothingEscaped() const {
    std::vector<fs::path> outside = PathsOutside(root_, Out());
    std::sort(outside.begin(), outside.end());
    if (outside != std::vector<fs::path>{Probe(), Probe() / "secret.txt"}) {
        auto failure = ::testing::AssertionFailure() << "outside the destination:";
        for (const fs::path& path : outside) {
            failure << " " << path;
        }
        return failure;
    }
    if (ReadFileBytes(Probe() / "secret.txt") != kSecret) {
        return ::testing::AssertionFailure() << "the probe's file was changed";
    }
    return ::testing::AssertionSuccess();
}

std::vector<LinkAttackArchive> WriteLinkAttacks(const fs::path& folder,
                                                const LinkAttackZone& zone) {
    const std::string probe = zone.Probe().string();
    const std::string secret = (zone.Probe() / "secret.txt").string();
    return {
        Crafted(folder, "link-to-root", {Link("root", "/")}, {{"root", "link to / "}}),
        Crafted(folder, "link-to-parent", {Link("up", "..")}, {{"up", "link to .. "}}),
        Crafted(folder, "chain-walks-out", {Link("a", "."), Link("b", "a/.."), Link("c", "b/..")},
                {{"b", kLeaves}, {"c", kLeaves}}),
        Crafted(folder, "link-out-then-file-through-it", {Link("d", probe), {"d/file", "through"}},
                {{"d", kLeaves}}),
        Crafted(folder, "link-in-then-file-through-it",
                {Folder("sub/"), Link("e", "sub"), {"e/file", "through"}},
                {{"e/file", kThroughLink}}),
        Crafted(folder, "link-then-folder-of-its-name",
                {Folder("sub/"), Link("l", "sub"), Folder("l/"), {"l/x.txt", "through"}},
                {{"l/", kThroughLink}, {"l/x.txt", kThroughLink}}),
        Crafted(folder, "folder-then-link-of-its-name",
                {Folder("f/"), {"f/x.txt", "kept"}, Link("f", probe)}, {{"f", kLeaves}}),
        Crafted(folder, "link-then-file-of-its-name", {Link("t", secret), {"t", "a file now"}},
                {{"t", kLeaves}}),
        Crafted(folder, "file-then-link-of-its-name", {{"u", "a file first"}, Link("u", secret)},
                {{"u", kLeaves}}),
        SplitLinks(folder, zone),
        AesLinks(folder, zone),
    };
}

::testing::AssertionResult ReportsEveryRefusal(const LinkAttackArchive& attack,
                                               const std::string& report) {
    for (const RefusedLink& refused : attack.Refused) {
        std::istringstream lines(report);
        std::string line;
        bool found = false;
        while (!found && std::getline(lines, line)) {
            found = line.find(refused.Entry) != std::string::npos &&
                    line.find(refused.Why) != std::string::npos;
        }
        if (!found) {
            return ::testing::AssertionFailure()
                   << "no line names " << refused.Entry << " with \"" << refused.Why << "\" in:\n"
                   << report;
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace mobrel::test
