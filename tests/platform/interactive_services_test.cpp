#include "platform/interactive_services.h"

#include <gtest/gtest.h>

namespace mobrel {
namespace {

TEST(HeadlessServices, AnswerEveryQuestionWithTheSafeChoiceWithoutBlocking) {
    TInteractiveServices& services = Services();
    testing::internal::CaptureStderr();
    EXPECT_EQ(services.MessageBox("Replace?", "File Exists Alert", TMsgButtons::YesNo),
              TMsgAnswer::No);
    EXPECT_EQ(services.MessageBox("Go on?", "", TMsgButtons::YesNoCancel), TMsgAnswer::No);
    EXPECT_EQ(services.MessageBox("Insert disk", "", TMsgButtons::OkCancel), TMsgAnswer::Cancel);
    EXPECT_EQ(services.MessageBox("Done", "Info", TMsgButtons::Ok), TMsgAnswer::Ok);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_NE(printed.find("File Exists Alert: Replace?"), std::string::npos);

    std::string chosen = "unchanged";
    EXPECT_FALSE(services.OpenFileDialog({}, chosen));
    EXPECT_FALSE(services.ChooseFolder("Pick", "/tmp", chosen));
    EXPECT_EQ(chosen, "unchanged");
}

TEST(HeadlessServices, InstalledServicesReplaceTheDefaultUntilRemoved) {
    struct Recorder : TInteractiveServices {
        int busy = 0;
        void SetBusyCursor(bool on) override { busy += on ? 1 : -1; }
    } recorder;
    InstallServices(&recorder);
    {
        TBusyCursorScope scope;
        EXPECT_EQ(recorder.busy, 1);
    }
    EXPECT_EQ(recorder.busy, 0);
    InstallServices(nullptr);
    EXPECT_NE(&Services(), &recorder);
}

}  // namespace
}  // namespace mobrel
