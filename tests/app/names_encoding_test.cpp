// The Unzip page's "Names encoding" box: choosing a page lists the open archive's names in
// it at once, and the page stays in effect for what the page does next.
#include <QAction>
#include <algorithm>

#include "entry_list_model.h"
#include "format/code_page_archives.h"
#include "main_window_fixture.h"
#include "names_encoding_combo_box.h"

namespace {

namespace fs = std::filesystem;
using mobrel::TNamesCodePage;
using mobrel::test::DosName;

class NamesEncodingTest : public MainWindowTest {
  protected:
    std::string Write(const std::vector<DosName>& names, const std::string& file) {
        const fs::path archive = Scratch() / file;
        mobrel::test::WriteFileBytes(archive, mobrel::test::MsDosArchive(names));
        return archive.string();
    }
    // The rows' names, folders joined with '/'.
    std::vector<std::string> ListedNames() {
        std::vector<std::string> names;
        TEntryListModel& rows = *UnzipPage().EntryList;
        for (int row = 0; row < rows.RowCount(); ++row) {
            std::string name = (rows.CellText(row, 0) + rows.CellText(row, 1)).toStdString();
            std::replace(name.begin(), name.end(), '\\', '/');
            names.push_back(name);
        }
        return names;
    }
    // As the user does it: the box's entry for page chosen.
    void ChooseInBox(TNamesCodePage page) {
        TNamesEncodingComboBox& box = *UnzipPage().NamesEncoding;
        box.setCurrentIndex(box.findData(static_cast<int>(page)));
    }
};

std::vector<std::string> Utf8Names(const std::vector<DosName>& names) {
    std::vector<std::string> result;
    for (const DosName& name : names) {
        result.push_back(name.Utf8);
    }
    return result;
}

TEST_F(NamesEncodingTest, ChoosingAPageListsTheOpenArchiveInItAtOnce) {
    Start();
    TNamesEncodingComboBox& box = *UnzipPage().NamesEncoding;
    EXPECT_EQ(box.Page(), TNamesCodePage::Cp437);
    EXPECT_EQ(box.currentText().toStdString(), "CP437 (DOS, default)");
    EXPECT_EQ(box.count(), 11);

    UnzipPage().OpenArchive(Write(mobrel::test::Cp866Names(), "cyrillic.zip"));
    ASSERT_EQ(UnzipPage().EntryList->RowCount(), 3);
    EXPECT_NE(ListedNames(), Utf8Names(mobrel::test::Cp866Names()));
    ChooseInBox(TNamesCodePage::Cp866);
    EXPECT_EQ(box.currentText().toStdString(), "CP866 (DOS Cyrillic)");
    EXPECT_EQ(Form().Zipper1.NamesCodePage(), TNamesCodePage::Cp866);
    EXPECT_EQ(ListedNames(), Utf8Names(mobrel::test::Cp866Names()));

    UnzipPage().OpenArchive(Write(mobrel::test::ShiftJisNames(), "japanese.zip"));
    ChooseInBox(TNamesCodePage::Cp932);
    EXPECT_EQ(box.currentText().toStdString(), "Shift-JIS (CP932)");
    EXPECT_EQ(ListedNames(), Utf8Names(mobrel::test::ShiftJisNames()));
    EXPECT_TRUE(Services.Messages.empty());

    UnzipPage().ChooseNamesEncoding(TNamesCodePage::Cp437);
    EXPECT_EQ(box.Page(), TNamesCodePage::Cp437);
    EXPECT_NE(ListedNames(), Utf8Names(mobrel::test::ShiftJisNames()));
}

TEST_F(NamesEncodingTest, DeletingAfterChoosingThePageKeepsTheOtherNames) {
    Start();
    const std::string archive = Write(mobrel::test::Cp866Names(), "cyrillic.zip");
    UnzipPage().OpenArchive(archive);
    ChooseInBox(TNamesCodePage::Cp866);
    UnzipPage().SelectRows({1});
    Services.Answers.push_back(mobrel::TMsgAnswer::Yes);
    Form().UpdateActions();
    UnzipPage().a_delete->trigger();
    EXPECT_EQ(Services.Messages.back(), "Deleted 1 files.");
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Привет/Отчёт.txt", "readme.txt"}));
    // The archive keeps the names as their old bytes, without the UTF-8 flag.
    const auto python = mobrel::test::RunCommand(
        "python3 -c \"import sys, zipfile; print([i.filename for i in zipfile.ZipFile(sys.argv[1], "
        "metadata_encoding='cp866').infolist() if not i.flag_bits & 0x800])\" " +
        mobrel::test::ShellQuote(archive));
    EXPECT_EQ(python.Output, "['Привет/Отчёт.txt', 'readme.txt']\n");
}

}  // namespace
