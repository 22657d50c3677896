// The link attacks through a self-extracting program: each attack archive behind the stub
// (its offsets adjusted by the peer zip), run with -y into a folder. The program ends with
// status 1, names each refused link and its reason, and writes nothing outside. A split
// set can't become a program: the writer refuses to rewrite it.
#include <gtest/gtest.h>

#include <iostream>

#include "hardening/link_attack_archives.h"
#include "platform/engine_errors.h"
#include "sfx/sfx_test_support.h"
#include "writer/sfx_config.h"
#include "writer/zipper.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Block() {
    TSFXConfig config;
    config.UserCanChangeOverwrite = true;
    config.BuildConfigBlock();
    return config.ConfigBlock();
}

// The program for a single archive: stub, block, archive, then zip -A.
fs::path AssembleProgram(const fs::path& archive) {
    const fs::path program = archive.string() + ".run";
    std::vector<uint8_t> bytes = test::ReadFileBytes(test::StubPath());
    const std::vector<uint8_t> block = Block();
    const std::vector<uint8_t> zip = test::ReadFileBytes(archive);
    bytes.insert(bytes.end(), block.begin(), block.end());
    bytes.insert(bytes.end(), zip.begin(), zip.end());
    test::WriteFileBytes(program, bytes);
    const test::CommandResult adjusted = test::RunCommand("zip -qA " + test::ShellQuote(program));
    EXPECT_EQ(adjusted.ExitCode, 0) << adjusted.Output;
    fs::permissions(program, fs::perms::owner_exec, fs::perm_options::add);
    return program;
}

TEST(SfxLinkAttacks, EachRefusedLinkIsNamedWithItsReasonAndNothingLeavesTheFolder) {
    ASSERT_TRUE(test::HaveTool("zip"));
    test::TempDir temp;
    test::TempDir archives;
    const test::LinkAttackZone zone(temp.Path());
    for (const test::LinkAttackArchive& attack : test::WriteLinkAttacks(archives.Path(), zone)) {
        SCOPED_TRACE(attack.Name);
        if (attack.Split) {
            // A program is one file: the writer refuses to make one of a split set.
            const fs::path readme = archives / "readme.txt";
            test::WriteFileText(readme, "read me");
            TZipper zipper;
            zipper.FilesList() = {readme.string()};
            EXPECT_THROW(
                zipper.MakeSFX(test::StubPath().string(), attack.Archive.string(), nullptr, 0),
                EEngineError);
            continue;
        }
        const fs::path program = AssembleProgram(attack.Archive);
        std::string args = "-y -o always -d " + test::ShellQuote(zone.Out().string());
        if (!attack.Password.empty()) {
            args += " -P " + attack.Password;
        }
        const test::CommandResult ran = test::RunHeadless(program, args, archives.Path());
        EXPECT_EQ(ran.ExitCode, 1) << ran.Output;
        EXPECT_TRUE(test::ReportsEveryRefusal(attack, ran.Output));
        EXPECT_TRUE(zone.NothingEscaped());
        std::cout << "sfx\t" << attack.Name << "\t" << ran.ExitCode << "\n";
        zone.Reset();
    }
}

}  // namespace
}  // namespace mobrel
