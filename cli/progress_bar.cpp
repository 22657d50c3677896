#include "progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <utility>

#include "reader/un_zipper.h"

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

void ProgressBar::Attach(TUnZipper& zipper) {
    auto startInfo = std::move(zipper.OnStartUnZipInfo);
    zipper.OnStartUnZipInfo = [this, startInfo](TUnZipper& sender, int numFiles, int64_t totalBytes,
                                                bool& stopNow) {
        if (startInfo) {
            startInfo(sender, numFiles, totalBytes, stopNow);
        }
        Start(totalBytes);
    };
    auto totalPercent = std::move(zipper.OnTotalPercentDone);
    zipper.OnTotalPercentDone = [this, totalPercent](TUnZipper& sender, int percent) {
        if (totalPercent) {
            totalPercent(sender, percent);
        }
        Update(percent);
    };
    auto complete = std::move(zipper.OnUnZipComplete);
    zipper.OnUnZipComplete = [this, complete](TUnZipper& sender, int fileCount) {
        if (complete) {
            complete(sender, fileCount);
        }
        Finish();
    };
}

}  // namespace mobrel::cli
