// Start-up of the main window: the remembered archive, the command line, the page switch.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>

#include "directory_list_box.h"
#include "entry_list_model.h"
#include "main_window_fixture.h"

namespace {

std::vector<std::string> MenuTitles(QMenuBar* bar) {
    std::vector<std::string> titles;
    for (QAction* action : bar->actions()) {
        titles.push_back(action->text().toStdString());
    }
    return titles;
}

TEST_F(MainWindowTest, FirstStartWithoutSettingsShowsAnEmptyUnzipPage) {
    TForm1& form = Start();
    EXPECT_EQ(form.PageControl1->currentWidget(), form.TabSheet2);
    EXPECT_TRUE(form.Edit3->text().isEmpty());
    EXPECT_EQ(form.EntryList->RowCount(), 0);
    EXPECT_EQ(MenuTitles(form.menuBar()), (std::vector<std::string>{"&File", "&Actions", "&Help"}));
    // The start-up's caption stands until the window is first activated.
    EXPECT_EQ(form.windowTitle().toStdString(), "Tollan's Mobrel Version 1.400");
    form.FormActivate();
    EXPECT_EQ(form.windowTitle().toStdString(), "Tollan's Mobrel - Unzip a File");
    EXPECT_TRUE(Services.Messages.empty());
}

}  // namespace
