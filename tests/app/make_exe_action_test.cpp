// "Make an Exe File" driven through the window with scripted dialogs: the program it makes
// carries the window's settings and agreement, extracts the listed pages, replaces an old
// program only when a new one can be made, and a cancelled dialog leaves nothing behind.
#include <QCoreApplication>

#include "format/sfx_settings.h"
#include "platform/engine_errors.h"
#include "sfx_agreement_text.h"
#include "zip_page_fixture.h"

namespace zip_page_test {
namespace {

fs::path StubBesideTheTests() {
    return fs::path(QCoreApplication::applicationDirPath().toStdString()) / "ZipSFX32.bin";
}

class MakeExeTest : public ZipPageTest {
  protected:
    // Lists every page of the site and makes a program named in the save dialog (empty:
    // the dialog is cancelled).
    void MakeExe(const std::string& answer) {
        ZipPage().a_AddAll->trigger();
        Services.Messages.clear();
        Services.DialogAnswers = {answer};
        ZipPage().a_zMakeEXE->trigger();
    }
};

TEST_F(MakeExeTest, TheProgramCarriesTheWindowsSettingsAndExtractsThePages) {
    ASSERT_TRUE(fs::exists(StubBesideTheTests()));
    const fs::path program = Scratch() / "site.exe";
    MakeExe(program.string());
    EXPECT_EQ(Services.Messages, Lines({"Successfully made 2 files into an EXE."}));
    ASSERT_FALSE(Services.DialogRequests.empty());
    EXPECT_EQ(Services.DialogRequests.back().Title, "Create a self extracting archive.");
    EXPECT_TRUE(Form().Zipper1.FilesList().empty());
    ExpectPeersAccept(program);

    const std::vector<uint8_t>& block = Form().SFXConfig1.ConfigBlock();
    ASSERT_GT(block.size(), 12u);
    const auto settings = mobrel::DecodeConfigBlock(block.data(), block.size());
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(settings->Caption, "Tollan's Self Extracting Archive.");
    EXPECT_EQ(settings->InfoTitle, "Tollan's Mobrel");
    EXPECT_EQ(settings->InfoText, SfxAgreementText());
    EXPECT_TRUE(settings->UserCanChooseFiles);
    EXPECT_FALSE(settings->UserCanChangeOverwrite);
    EXPECT_EQ(settings->OverwriteMode, mobrel::omPrompt);

    // Made by the window, the program asks first: headless it needs -y.
    const auto ran = RunCommand(ShellQuote(program.string()) + " -y -d " +
                                ShellQuote((Scratch() / "out").string()) + " </dev/null");
    EXPECT_EQ(ran.ExitCode, 0) << ran.Output;
    // Stored with their full paths: the window's first zip leaves RelativePaths off.
    int found = 0;
    for (const auto& item : fs::recursive_directory_iterator(Scratch() / "out")) {
        if (item.path().filename() == "b.htm") {
            EXPECT_EQ(fs::file_size(item.path()), 5000u);
            ++found;
        }
    }
    EXPECT_EQ(found, 1);
}

TEST_F(MakeExeTest, TheAgreementHasItsLineStructure) {
    const std::string text = SfxAgreementText();
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    Lines lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(lines.size(), 133u);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), std::string()), 24);
    EXPECT_NE(lines[0].find("OK"), std::string::npos);
    EXPECT_NE(lines[0].find("CANCEL"), std::string::npos);
    EXPECT_EQ(lines[1], "Tollan's Mobrel");
    EXPECT_NE(lines[4].find('@'), std::string::npos);
    EXPECT_EQ(lines[8], std::string(87, '_'));
    EXPECT_GT(text.size(), 255u);  // the length needs both bytes of its field
}

TEST_F(MakeExeTest, ACancelledDialogMakesNothingAndLeavesNoNamesBehind) {
    MakeExe("");
    EXPECT_EQ(Services.Messages, Lines({"Successfully made 0 files into an EXE."}));
    EXPECT_TRUE(Form().Zipper1.FilesList().empty());
    // A zip of a changed list afterwards holds exactly that list.
    ZipPage().a_clear->trigger();
    Select({"a.htm"});
    ZipPage().a_AddSelected->trigger();
    const fs::path archive = Scratch() / "only-a.zip";
    Services.DialogAnswers = {archive.string()};
    ZipPage().a_new->trigger();
    EXPECT_EQ(StoredNames(archive).size(), 1u);
}

TEST_F(MakeExeTest, AnExistingProgramIsReplacedOnlyWhenTheStubIsThere) {
    const fs::path program = Scratch() / "site.exe";
    mobrel::test::WriteFileText(program, "an older program");
    MakeExe(program.string());
    EXPECT_EQ(Services.Messages, Lines({"Successfully made 2 files into an EXE."}));
    ExpectPeersAccept(program);

    // Without the stub the engine's open error is shown and the old program stays.
    const fs::path stub = StubBesideTheTests();
    const fs::path hidden = stub.string() + ".away";
    fs::rename(stub, hidden);
    const auto before = mobrel::test::ReadFileBytes(program);
    MakeExe(program.string());
    fs::rename(hidden, stub);
    ASSERT_EQ(Services.Messages.size(), 1u);
    EXPECT_NE(Services.Messages[0].find("ZipSFX32.bin"), std::string::npos) << Services.Messages[0];
    EXPECT_EQ(mobrel::test::ReadFileBytes(program), before);
    EXPECT_TRUE(Form().Zipper1.FilesList().empty());
}

}  // namespace
}  // namespace zip_page_test
