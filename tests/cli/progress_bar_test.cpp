#include "progress_bar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "format/end_central.h"
#include "reader/un_zipper.h"
#include "writer/zipper.h"

namespace mobrel::cli {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// A clock the test moves by hand.
struct FakeClock {
    steady_clock::time_point now{};
    ProgressBar::Clock Function() {
        return [this] { return now; };
    }
};

size_t Redraws(const std::string& screen) {
    return static_cast<size_t>(std::count(screen.begin(), screen.end(), '\r'));
}

TEST(ProgressBar, QuietWhenNotATerminalHoweverLongTheWork) {
    FakeClock clock;
    std::ostringstream screen;
    {
        ProgressBar bar("Adding", screen, false, clock.Function());
        bar.Start(ProgressBar::kLargeTotal * 4);
        clock.now += milliseconds(5000);
        for (int percent = 0; percent <= 100; percent += 10) {
            bar.Update(percent);
        }
        EXPECT_FALSE(bar.Visible());
    }
    EXPECT_EQ(screen.str(), "");
}

TEST(ProgressBar, ShortSmallWorkDrawsNothing) {
    FakeClock clock;
    std::ostringstream screen;
    ProgressBar bar("Extracting", screen, true, clock.Function());
    bar.Start(10000);
    clock.now += milliseconds(300);
    bar.Update(40);
    bar.Update(100);
    bar.Finish();
    EXPECT_EQ(screen.str(), "");
}

TEST(ProgressBar, AppearsAfterASecondRedrawsOnlyOnChangeAndClearsItsLine) {
    FakeClock clock;
    std::ostringstream screen;
    ProgressBar bar("Extracting", screen, true, clock.Function());
    bar.Start(10000);
    bar.Update(10);
    EXPECT_EQ(screen.str(), "");
    clock.now += ProgressBar::kShowAfter;
    bar.Update(50);
    EXPECT_TRUE(bar.Visible());
    EXPECT_EQ(screen.str(), "\rExtracting [###############---------------]  50%");
    bar.Update(50);
    EXPECT_EQ(Redraws(screen.str()), 1u);
    bar.Update(100);
    EXPECT_NE(screen.str().find("[##############################] 100%"), std::string::npos);
    const size_t drawnLength =
        std::string("Extracting [").size() + 30 + std::string("] 100%").size();
    screen.str("");
    bar.Finish();
    EXPECT_EQ(screen.str(), "\r" + std::string(drawnLength, ' ') + "\r");
    EXPECT_FALSE(bar.Visible());
}

TEST(ProgressBar, ALargeTotalShowsAtOnceButACompletedRunNever) {
    FakeClock clock;
    std::ostringstream screen;
    ProgressBar bar("Adding", screen, true, clock.Function());
    bar.Start(ProgressBar::kLargeTotal);
    bar.Update(100);  // done before anything was drawn
    EXPECT_EQ(screen.str(), "");
    bar.Update(1);
    EXPECT_TRUE(bar.Visible());
    EXPECT_NE(screen.str().find("  1%"), std::string::npos);
}

TEST(ProgressBar, OutOfRangePercentagesAreClampedAndClearLineAllowsARedraw) {
    FakeClock clock;
    std::ostringstream screen;
    ProgressBar bar("Testing", screen, true, clock.Function());
    clock.now += milliseconds(2000);
    bar.Update(-5);
    EXPECT_NE(screen.str().find("[------------------------------]   0%"), std::string::npos);
    bar.ClearLine();
    screen.str("");
    bar.Update(0);  // the same percentage, but the line was cleared for a message
    EXPECT_NE(screen.str().find("   0%"), std::string::npos);
    bar.Update(250);
    EXPECT_NE(screen.str().find("] 100%"), std::string::npos);
}

TEST(ProgressBar, DestructionClearsADrawnBar) {
    FakeClock clock;
    std::ostringstream screen;
    {
        ProgressBar bar("Adding", screen, true, clock.Function());
        clock.now += milliseconds(1500);
        bar.Update(30);
    }
    const std::string text = screen.str();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\r');
    EXPECT_EQ(text.substr(text.rfind('\r', text.size() - 2) + 1).find_first_not_of(" \r"),
              std::string::npos);
}

TEST(ProgressBar, AttachKeepsTheHandlersAlreadySetOnTheReader) {
    FakeClock clock;
    std::ostringstream screen;
    ProgressBar bar("Extracting", screen, true, clock.Function());
    TUnZipper zipper;
    int64_t seenTotal = -1;
    int seenPercent = -1;
    int seenCount = -1;
    zipper.OnStartUnZipInfo = [&](TUnZipper&, int, int64_t total, bool&) { seenTotal = total; };
    zipper.OnTotalPercentDone = [&](TUnZipper&, int percent) { seenPercent = percent; };
    zipper.OnUnZipComplete = [&](TUnZipper&, int count) { seenCount = count; };
    bar.Attach(zipper);

    bool stop = false;
    zipper.OnStartUnZipInfo(zipper, 3, ProgressBar::kLargeTotal, stop);
    zipper.OnTotalPercentDone(zipper, 42);
    EXPECT_TRUE(bar.Visible());
    zipper.OnUnZipComplete(zipper, 3);
    EXPECT_FALSE(bar.Visible());
    EXPECT_EQ(seenTotal, ProgressBar::kLargeTotal);
    EXPECT_EQ(seenPercent, 42);
    EXPECT_EQ(seenCount, 3);
}

TEST(ProgressBar, ADrawnBarIsClearedBeforeAnEntrysMessageAndMissingHandlersStayMissing) {
    FakeClock clock;
    std::ostringstream screen;
    ProgressBar bar("Extracting", screen, true, clock.Function());
    TUnZipper zipper;
    bool visibleWhenReported = true;
    zipper.OnBadCRC = [&](TUnZipper&, uint32_t, uint32_t, int) {
        visibleWhenReported = bar.Visible();
    };
    bar.Attach(zipper);
    // The engine asks its own question (a message box) when no handler is set; the bar
    // must not put a handler there that would answer it silently.
    EXPECT_FALSE(static_cast<bool>(zipper.OnPromptForOverwrite));
    EXPECT_FALSE(static_cast<bool>(zipper.OnSkippingFile));

    clock.now += milliseconds(1200);
    zipper.OnTotalPercentDone(zipper, 10);
    ASSERT_TRUE(bar.Visible());
    zipper.OnBadCRC(zipper, 1, 2, 0);
    EXPECT_FALSE(visibleWhenReported);
    zipper.OnTotalPercentDone(zipper, 10);  // drawn again below the message
    EXPECT_TRUE(bar.Visible());
}

TEST(ProgressBar, FollowsTheWritersStartPercentagesAndCompletion) {
    FakeClock clock;
    std::ostringstream screen;
    ProgressBar bar("Adding", screen, true, clock.Function());
    TZipper zipper;
    int started = 0;
    bool visibleAtMissingFile = true;
    zipper.OnStartZipInfo = [&](TZipper&, int, int64_t, TEndCentral&, bool&) { ++started; };
    zipper.OnNoFileMatches = [&](TZipper&, const std::string&) {
        visibleAtMissingFile = bar.Visible();
    };
    bar.Attach(zipper);

    TEndCentral end;
    bool stop = false;
    zipper.OnStartZipInfo(zipper, 2, ProgressBar::kLargeTotal, end, stop);
    EXPECT_EQ(started, 1);
    zipper.OnTotalPercentDone(zipper, 5);
    EXPECT_TRUE(bar.Visible());
    zipper.OnNoFileMatches(zipper, "gone.txt");
    EXPECT_FALSE(visibleAtMissingFile);
    zipper.OnTotalPercentDone(zipper, 60);
    zipper.OnZipComplete(zipper, 2);
    EXPECT_FALSE(bar.Visible());
}

}  // namespace
}  // namespace mobrel::cli
