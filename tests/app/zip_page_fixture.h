#pragma once
// The main window on its Zip page over a scratch folder of pages, and what the peer tools say
// about the archives it writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "input_box.h"
#include "main_window_fixture.h"
#include "temporary_trash.h"
#include "writer/zipper.h"

namespace zip_page_test {

namespace fs = std::filesystem;
using mobrel::TMsgAnswer;
using mobrel::test::RunCommand;
using mobrel::test::ShellQuote;
using Lines = std::vector<std::string>;

// The names stored in an archive, as the peer tool lists them, sorted.
inline Lines StoredNames(const fs::path& archive) {
    const auto result = RunCommand("unzip -Z1 " + ShellQuote(archive.string()));
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    Lines names;
    size_t start = 0;
    while (start < result.Output.size()) {
        const size_t end = result.Output.find('\n', start);
        names.push_back(result.Output.substr(start, end - start));
        start = end == std::string::npos ? result.Output.size() : end + 1;
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline void ExpectPeersAccept(const fs::path& archive) {
    ASSERT_TRUE(mobrel::test::HaveTool("unzip") && mobrel::test::HaveTool("7z"));
    const auto unzip = RunCommand("unzip -t " + ShellQuote(archive.string()));
    EXPECT_EQ(unzip.ExitCode, 0) << unzip.Output;
    const auto sevenZip = RunCommand("7z t " + ShellQuote(archive.string()));
    EXPECT_EQ(sevenZip.ExitCode, 0) << sevenZip.Output;
}

// The main window on the Zip page, its folder a scratch "site" folder with two pages, a text
// file the page's filter hides, and a sub-folder holding a page of the same name.
class ZipPageTest : public MainWindowTest {
  protected:
    ZipPageTest() : site_(Scratch() / "site") {
        fs::create_directories(site_ / "sub");
        mobrel::test::WriteFileText(site_ / "a.htm", "<p>a</p>");
        mobrel::test::WriteFileText(site_ / "b.htm", std::string(5000, 'b'));
        mobrel::test::WriteFileText(site_ / "notes.txt", "not a page");
        mobrel::test::WriteFileText(site_ / "sub" / "a.htm", "<p>sub</p>");
        Start();
        Form().ShowZipPage();
        ZipPage().ShowFolder(site_.string());
        Services.Messages.clear();
    }
    ~ZipPageTest() override { SetInputBoxHandler(nullptr); }

    void Select(const Lines& names) {
        ASSERT_TRUE(ZipPage().SelectFiles(names)) << testing::PrintToString(names);
    }
    // Zips every listed page of the folder into a new archive named in the save dialog.
    fs::path ZipAllInto(const std::string& archiveName) {
        const fs::path archive = Scratch() / archiveName;
        ZipPage().a_AddAll->trigger();
        Services.DialogAnswers = {archive.string()};
        ZipPage().a_new->trigger();
        return archive;
    }
    std::string CurrentArchive() { return Form().CurrentArchive(); }

    TTemporaryTrash trash_;
    fs::path site_;
};

}  // namespace zip_page_test
