#include "progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <utility>

#include "reader/un_zipper.h"
#include "writer/zipper.h"

namespace mobrel::cli {

ProgressBar::ProgressBar(std::string label, std::ostream& out, bool interactive, Clock clock)
    : label_(std::move(label)),
      out_(out),
      interactive_(interactive),
      clock_(std::move(clock)),
      started_(clock_()) {}

ProgressBar::ProgressBar(std::string label)
    : ProgressBar(std::move(label), std::cerr, isatty(STDERR_FILENO) == 1) {}

ProgressBar::~ProgressBar() {
    ClearLine();
}

void ProgressBar::Start(int64_t totalBytes) {
    total_ = totalBytes;
}

void ProgressBar::Update(int percent) {
    percent = std::clamp(percent, 0, 100);
    if (!interactive_ || percent == shownPercent_) {
        return;
    }
    // A run that is already complete at its first report was never worth a bar.
    if (!drawn_ && (percent == 100 || !WorthShowing())) {
        return;
    }
    Draw(percent);
}

void ProgressBar::Finish() {
    ClearLine();
    total_ = 0;
}

void ProgressBar::ClearLine() {
    if (!drawn_) {
        return;
    }
    out_ << '\r' << std::string(lineLength_, ' ') << '\r' << std::flush;
    drawn_ = false;
    shownPercent_ = -1;
}

bool ProgressBar::WorthShowing() const {
    return total_ >= kLargeTotal || clock_() - started_ >= kShowAfter;
}

void ProgressBar::Draw(int percent) {
    const int filled = percent * kBarWidth / 100;
    std::string line = label_ + " [" + std::string(static_cast<size_t>(filled), '#') +
                       std::string(static_cast<size_t>(kBarWidth - filled), '-') + "] ";
    const std::string number = std::to_string(percent);
    line += std::string(3 - number.size(), ' ') + number + '%';
    out_ << '\r' << line << std::flush;
    lineLength_ = line.size();
    drawn_ = true;
    shownPercent_ = percent;
}

namespace {

// Runs extra after the handler already set on event (if any).
template <typename Event, typename Extra>
void RunAfter(Event& event, Extra extra) {
    event = [previous = std::move(event), extra](auto&&... args) {
        if (previous) {
            previous(args...);
        }
        extra(args...);
    };
}

// Runs first before the handler already set on event; an event without a handler keeps
// none, since installing one would change what the engine does on its own.
template <typename Event, typename First>
void RunBeforeHandler(Event& event, First first) {
    if (!event) {
        return;
    }
    event = [previous = std::move(event), first](auto&&... args) {
        first();
        previous(args...);
    };
}

}  // namespace

void ProgressBar::ClearBeforeMessages(TUnZipper& zipper) {
    const auto clear = [this] { ClearLine(); };
    RunBeforeHandler(zipper.OnSkippingFile, clear);
    RunBeforeHandler(zipper.OnBadCRC, clear);
    RunBeforeHandler(zipper.OnBadPassword, clear);
    RunBeforeHandler(zipper.OnPromptForOverwrite, clear);
}

void ProgressBar::FollowTotalPercent(TUnZipper& zipper) {
    RunAfter(zipper.OnTotalPercentDone, [this](TUnZipper&, int percent) { Update(percent); });
}

void ProgressBar::Attach(TUnZipper& zipper) {
    ClearBeforeMessages(zipper);
    FollowTotalPercent(zipper);
    RunAfter(zipper.OnStartUnZipInfo,
             [this](TUnZipper&, int, int64_t totalBytes, bool&) { Start(totalBytes); });
    RunAfter(zipper.OnUnZipComplete, [this](TUnZipper&, int) { Finish(); });
}

void ProgressBar::Attach(TZipper& zipper) {
    ClearBeforeMessages(zipper);
    RunBeforeHandler(zipper.OnNoFileMatches, [this] { ClearLine(); });
    FollowTotalPercent(zipper);
    RunAfter(zipper.OnStartZipInfo,
             [this](TZipper&, int, int64_t totalBytes, TEndCentral&, bool&) { Start(totalBytes); });
    RunAfter(zipper.OnZipComplete, [this](TZipper&, int) { Finish(); });
}

}  // namespace mobrel::cli
