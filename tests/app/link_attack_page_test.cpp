// The link attacks through the Unzip page: each attack archive opened and extracted whole
// with "Unzip All" (the AES ones with their password typed when asked). The closing summary
// counts the refusals, its details list each refused link with its reason, and nothing
// appears outside the folder shown.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <iostream>

#include "form_failure_details.h"
#include "form_password.h"
#include "form_run_summary.h"
#include "hardening/link_attack_archives.h"
#include "main_window_fixture.h"

namespace {

namespace fs = std::filesystem;
namespace test = mobrel::test;

class LinkAttackPageTest : public MainWindowTest {
  protected:
    LinkAttackPageTest() {
        OnModal = [this](QDialog& window) { Answer(window); };
    }

    void Answer(QDialog& window) {
        if (auto* password = dynamic_cast<TFormPassword*>(&window)) {
            password->Edit1->setText(QString::fromStdString(Password));
        } else if (auto* summary = dynamic_cast<TFormRunSummary*>(&window)) {
            Summary = summary->Text();
            summary->DetailsButton->click();
        } else if (auto* details = dynamic_cast<TFormFailureDetails*>(&window)) {
            for (int row = 0; row < details->Table->rowCount(); ++row) {
                Details += details->Table->item(row, 0)->text().toStdString() + " | " +
                           details->Table->item(row, 1)->text().toStdString() + "\n";
            }
        }
    }

    std::string Password;
    std::string Summary;
    std::string Details;
};

TEST_F(LinkAttackPageTest, UnzipAllListsEachRefusedLinkWithItsReasonAndStaysInside) {
    Start();
    const test::LinkAttackZone zone(Scratch() / "zone");
    const fs::path archives = Scratch() / "archives";
    fs::create_directories(archives);
    for (const test::LinkAttackArchive& attack : test::WriteLinkAttacks(archives, zone)) {
        SCOPED_TRACE(attack.Name);
        Password = attack.Password;
        Summary.clear();
        Details.clear();
        Services.Messages.clear();
        UnzipPage().OpenArchive(attack.Archive.string());
        UnzipPage().ShowFolder(zone.Out().string());
        Form().UpdateActions();
        ASSERT_TRUE(UnzipPage().a_unZipAll->isEnabled());
        UnzipPage().a_unZipAll->trigger();
        EXPECT_TRUE(Services.Messages.empty()) << "no plain success after refusals";
        EXPECT_NE(Summary.find(std::to_string(attack.Refused.size()) + " failed or w"),
                  std::string::npos)
            << Summary;
        EXPECT_TRUE(test::ReportsEveryRefusal(attack, Details));
        EXPECT_TRUE(zone.NothingEscaped());
        std::cout << "app\t" << attack.Name << "\t" << Summary << "\n";
        zone.Reset();
    }
}

}  // namespace
