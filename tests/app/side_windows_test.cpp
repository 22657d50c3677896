// The help, about and password windows and the Help menu.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "form_about.h"
#include "form_password.h"
#include "help_contents.h"
#include "main_window_fixture.h"
#include "windows_version.h"

namespace {

TEST(WindowsVersionName, NamesTheVersionsOfTheTable) {
    EXPECT_EQ(WindowsVersionName(0, 3, 10), "Windows 32s");
    EXPECT_EQ(WindowsVersionName(1, 4, 10), "Windows 98");
    EXPECT_EQ(WindowsVersionName(1, 4, 0), "Windows 95");
    EXPECT_EQ(WindowsVersionName(1, 5, 0), "Windows 98");
    EXPECT_EQ(WindowsVersionName(2, 4, 0), "Windows NT");
    EXPECT_EQ(WindowsVersionName(2, 5, 1), "Windows 2000");
    EXPECT_EQ(WindowsVersionName(2, 6, 1), "Couldn't determine system");
    EXPECT_EQ(WindowsVersionName(3, 5, 0), "Couldn't determine system");
}

TEST_F(MainWindowTest, SideWindowsCarryTheProgramVersion) {
    TForm1& form = Start();
    EXPECT_EQ(form.FormAbout->windowTitle().toStdString(), "About Tollan's Mobrel Version 1.400");
    EXPECT_EQ(form.helpContents->windowTitle().toStdString(),
              "Help and Information - Tollan's Mobrel Version 1.400");
    EXPECT_EQ(form.helpContents->Label1->text().toStdString(), "Tollan's Mobrel Version 1.400");
}

TEST_F(MainWindowTest, MailLinkCarriesTheCaptionAfterABlank) {
    TForm1& form = Start();
    const std::string link = form.FormAbout->MailLink();
    const std::string start =
        "mailto:tollan@mobrel.example?Subject= About Tollan's Mobrel Version 1.400 ";
    EXPECT_EQ(link.substr(0, start.size()), start);
    EXPECT_EQ(link.substr(link.size() - 6), "&Body=");
    form.FormAbout->EmailButton->click();
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0].scheme().toStdString(), "mailto");
}

TEST_F(MainWindowTest, HelpButtonsOpenTheirPages) {
    TForm1& form = Start();
    form.helpContents->Button2->click();
    form.helpContents->Button5->click();
    form.helpContents->Edit5->setText("https://example.org/typed/");
    form.helpContents->BitBtn1->click();
    ASSERT_EQ(Opened.size(), 3u);
    EXPECT_EQ(Opened[0].toString(), form.helpContents->Edit1->text());
    // The editor's button opens its promotional page, not the address shown beside it.
    EXPECT_NE(Opened[1].toString(), form.helpContents->Edit3->text());
    EXPECT_EQ(Opened[2].toString().toStdString(), "https://example.org/typed/");
}

TEST_F(MainWindowTest, HelpMenuShowsTheWindowsModally) {
    TForm1& form = Start();
    form.a_info->trigger();
    form.a_about->trigger();
    ASSERT_EQ(ShownWindows.size(), 2u);
    EXPECT_EQ(ShownWindows[0], form.helpContents);
    EXPECT_EQ(ShownWindows[1], form.FormAbout);
}

TEST_F(MainWindowTest, TutorialWithoutItsPagesDoesNothing) {
    TForm1& form = Start();
    ASSERT_FALSE(std::filesystem::exists(TForm1::TutorialPath()));
    form.a_Tut->trigger();
    EXPECT_TRUE(Opened.empty());
    EXPECT_TRUE(Services.Messages.empty());
}

}  // namespace
