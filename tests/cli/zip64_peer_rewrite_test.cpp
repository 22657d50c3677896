// Archives the peers wrote with ZIP64 fields although nothing needed them (zip -fz, Python
// with force_zip64, Python streaming with data descriptors) get one small file added by
// mobrel-cli: every entry kept keeps its local and central extra fields and its data
// descriptor byte for byte, and every peer passes the result.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_run.h"
#include "test_support.h"
#include "writer/zip64_test_support.h"
#include "writer/zipper_test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;

// Python's zipfile, writing every member with force_zip64: to the file itself, or through a
// pipe, where it can't seek back and writes data descriptors instead.
constexpr const char* kPythonWriter = R"(
import sys, zipfile
seekable = sys.argv[1] == 'file'
target = open(sys.argv[2], 'wb') if seekable else sys.stdout.buffer
with zipfile.ZipFile(target, 'w', zipfile.ZIP_DEFLATED) as z:
    for name in sys.argv[3:]:
        with open(name, 'rb') as source, z.open(name, 'w', force_zip64=True) as member:
            member.write(source.read())
)";

struct PeerWriter {
    const char* Name;
    std::string (*Command)(const std::string& archive);
};

const PeerWriter kPeerWriters[] = {
    {"zip -fz",
     [](const std::string& archive) { return "zip -q -fz " + archive + " a.txt b.txt sub/c.txt"; }},
    {"python force_zip64",
     [](const std::string& archive) {
         return "python3 -c " + test::ShellQuote(kPythonWriter) + " file " + archive +
                " a.txt b.txt sub/c.txt";
     }},
    {"python streamed",
     [](const std::string& archive) {
         return "python3 -c " + test::ShellQuote(kPythonWriter) + " pipe - a.txt b.txt sub/c.txt" +
                " | cat > " + archive;
     }},
};

TEST(Zip64PeerArchiveRewritten, AddingAFileKeepsEveryKeptEntrysFieldsAndDescriptor) {
    ASSERT_TRUE(test::HaveTool("zip") && test::HaveTool("python3"));
    for (const PeerWriter& writer : kPeerWriters) {
        SCOPED_TRACE(writer.Name);
        test::TempDir temp;
        for (const char* name : {"a.txt", "b.txt", "sub/c.txt", "new.txt"}) {
            test::MakeFile(temp.Path(), name, std::string(300, 'x') + name + "\n");
        }
        const std::string archive = (temp / "peer.zip").string();
        const test::CommandResult made =
            test::RunCommand("cd " + test::ShellQuote(temp.Path().string()) + " && " +
                             writer.Command(test::ShellQuote(archive)));
        ASSERT_EQ(made.ExitCode, 0) << made.Output;
        const std::vector<test::PeerRecord> before = test::PythonRecords(archive);
        ASSERT_EQ(before.size(), 3u);
        // What the comparison relies on: the peer wrote the local ZIP64 field.
        ASSERT_TRUE(test::HasZip64Field(before[0].LocalExtra));

        const test::CliRun run = test::RunCli({"add", archive, "new.txt"}, temp.Path());
        ASSERT_EQ(run.Status, 0) << run.Err;
        const std::vector<test::PeerRecord> after = test::PythonRecords(archive);
        ASSERT_EQ(after.size(), 4u);
        for (size_t i = 0; i < before.size(); ++i) {
            SCOPED_TRACE(before[i].Name);
            EXPECT_EQ(after[i].Name, before[i].Name);
            EXPECT_EQ(after[i].LocalExtra, before[i].LocalExtra);
            EXPECT_EQ(after[i].CentralExtra, before[i].CentralExtra);
            EXPECT_EQ(after[i].Descriptor, before[i].Descriptor);
        }
        EXPECT_EQ(after[3].Name, "new.txt");
        test::ExpectEveryPeerPasses(archive);
    }
}

}  // namespace
}  // namespace mobrel
