// -O on list, test and extract: names of MS-DOS archives in the page named, as Python's
// zipfile reads them in that page; the usual spellings of a page; an unknown page refused
// as a usage error.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli_run.h"
#include "format/code_page_archives.h"
#include "test_support.h"

namespace mobrel {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::RunCli;

// The first column of list -v: the names, one a line.
std::vector<std::string> ListedNames(const std::string& listing) {
    std::vector<std::string> names;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        names.push_back(line.substr(0, line.find('\t')));
    }
    return names;
}

std::vector<std::string> PythonNamesIn(const fs::path& archive, const std::string& encoding) {
    const test::CommandResult python = test::RunCommand(
        "python3 -c \"import sys, zipfile; print('\\n'.join(zipfile.ZipFile(sys.argv[1], "
        "metadata_encoding='" +
        encoding + "').namelist()))\" " + test::ShellQuote(archive.string()));
    EXPECT_EQ(python.ExitCode, 0) << python.Output;
    return ListedNames(python.Output);
}

struct PageCase {
    const std::vector<test::DosName>* Names;
    const char* PythonEncoding;
    std::vector<std::string> Spellings;
};

class CliCodePageTest : public testing::Test {
  protected:
    fs::path Write(const std::vector<test::DosName>& names, const std::string& file) {
        const fs::path archive = temp_ / file;
        test::WriteFileBytes(archive, test::MsDosArchive(names));
        return archive;
    }
    fs::path Temp() const { return temp_.Path(); }

  private:
    test::TempDir temp_;
};

TEST_F(CliCodePageTest, ListReadsNamesInThePageAsPythonDoes) {
    ASSERT_TRUE(test::HaveTool("python3"));
    const std::vector<PageCase> cases = {
        {&test::Cp866Names(), "cp866", {"CP866", "cp866", "866", "IBM866"}},
        {&test::ShiftJisNames(), "cp932", {"SHIFT-JIS", "Shift_JIS", "CP932", "sjis"}},
    };
    for (const PageCase& c : cases) {
        const fs::path archive = Write(*c.Names, std::string(c.PythonEncoding) + ".zip");
        std::vector<std::string> expected;
        for (const test::DosName& name : *c.Names) {
            expected.push_back(name.Utf8);
        }
        EXPECT_EQ(PythonNamesIn(archive, c.PythonEncoding), expected);
        for (const std::string& spelling : c.Spellings) {
            const CliRun list = RunCli({"list", "-v", "-O", spelling, archive.string()});
            ASSERT_EQ(list.Status, 0) << list.Err;
            EXPECT_EQ(ListedNames(list.Out), expected) << spelling;
        }
        // Without -O the names are read as CP437, which gives other characters.
        const CliRun plain = RunCli({"list", "-v", archive.string()});
        EXPECT_NE(ListedNames(plain.Out), expected);
    }
}

TEST_F(CliCodePageTest, ExtractAndTestTakeThePageToo) {
    const fs::path archive = Write(test::Cp866Names(), "cp866.zip");
    const fs::path out = Temp() / "out";
    const CliRun extract = RunCli({"extract", archive.string(), "-O", "cp866", "-d", out.string(),
                                   "Привет/Данные.txt", "readme.txt"});
    ASSERT_EQ(extract.Status, 0) << extract.Err;
    EXPECT_EQ(extract.Out, "2 entries extracted\n");
    const std::vector<uint8_t> bytes = test::ReadFileBytes(out / "Привет" / "Данные.txt");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "content of Привет/Данные.txt");
    EXPECT_TRUE(fs::exists(out / "readme.txt"));
    EXPECT_FALSE(fs::exists(out / "Привет" / "Отчёт.txt"));

    const CliRun tested = RunCli({"test", archive.string(), "-O", "866"});
    EXPECT_EQ(tested.Status, 0) << tested.Err;
    EXPECT_NE(tested.Out.find("3 files OK"), std::string::npos) << tested.Out;
}

TEST_F(CliCodePageTest, AnUnknownPageIsAUsageErrorAndTheHelpNamesTheOption) {
    const fs::path archive = Write(test::Cp866Names(), "cp866.zip");
    for (const char* subcommand : {"list", "test", "extract"}) {
        const CliRun refused = RunCli({subcommand, "-O", "KOI8-R", archive.string()}, Temp());
        EXPECT_EQ(refused.Status, 2) << subcommand;
        EXPECT_NE(refused.Err.find("-O takes one of the code pages CP437, CP850"),
                  std::string::npos)
            << refused.Err;
        EXPECT_NE(refused.Err.find("not \"KOI8-R\""), std::string::npos) << refused.Err;
        EXPECT_NE(refused.Err.find(std::string("usage: mobrel-cli ") + subcommand),
                  std::string::npos);
        EXPECT_TRUE(refused.Out.empty()) << refused.Out;

        const CliRun help = RunCli({subcommand, "--help"});
        EXPECT_NE(help.Out.find("-O CODEPAGE"), std::string::npos) << subcommand;
    }
    EXPECT_FALSE(fs::exists(Temp() / "readme.txt"));
}

}  // namespace
}  // namespace mobrel
