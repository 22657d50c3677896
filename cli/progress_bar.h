#pragma once
// A one-line progress bar for mobrel-cli, drawn on standard error while a long operation
// runs. Scripts and pipes see nothing: the bar is drawn only on a terminal, and only once
// the work has lasted about a second or is large enough to be worth watching from the start.
#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

namespace mobrel {
class TUnZipper;
class TZipper;
}  // namespace mobrel

namespace mobrel::cli {

class ProgressBar {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // Work that lasts this long gets a bar even when its total is small.
    static constexpr std::chrono::milliseconds kShowAfter{1000};
    // A total of this many bytes gets a bar at once.
    static constexpr int64_t kLargeTotal = int64_t{256} << 20;
    static constexpr int kBarWidth = 30;

    // Draws on out only when interactive; the clock is injectable so the tests need no waits.
    // The work is timed from construction, so reading a directory before a run counts too.
    ProgressBar(std::string label, std::ostream& out, bool interactive,
                Clock clock = std::chrono::steady_clock::now);
    // The program's bar: standard error, drawn when standard error is a terminal.
    explicit ProgressBar(std::string label);
    // Clears a drawn bar, so a failure's message starts on a clean line.
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // The operation's total in bytes, once it is known.
    void Start(int64_t totalBytes);
    // The run is percent done (0..100).
    void Update(int percent);
    // The run is over: the bar's line is cleared.
    void Finish();
    // Removes the bar from the screen before other text is written to standard error; the
    // next Update draws it again below that text.
    void ClearLine();
    bool Visible() const { return drawn_; }

    // Drives the bar from the reader's run events, keeping any handlers already set, and
    // clears it before the handlers already set for a skipped or failed entry, a password or
    // an overwrite question write their lines. Attach after those handlers; the bar must
    // outlive the component's operations.
    void Attach(TUnZipper& zipper);
    // The same for the writer: its start and completion events, the percentages it fires,
    // and the lines its handlers write for a missing or skipped file.
    void Attach(TZipper& zipper);

  private:
    void ClearBeforeMessages(TUnZipper& zipper);
    void FollowTotalPercent(TUnZipper& zipper);
    bool WorthShowing() const;
    void Draw(int percent);

    std::string label_;
    std::ostream& out_;
    bool interactive_;
    Clock clock_;
    std::chrono::steady_clock::time_point started_{};
    int64_t total_ = 0;
    bool drawn_ = false;
    int shownPercent_ = -1;
    size_t lineLength_ = 0;
};

}  // namespace mobrel::cli
