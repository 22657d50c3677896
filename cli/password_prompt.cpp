#include "password_prompt.h"

#include <termios.h>

#include <cerrno>
#include <csignal>

#include "command_line.h"
#include "platform/string_helpers.h"
#include "reader/un_zipper.h"

namespace mobrel::cli {

namespace {

// A signal that ends the program while echo is off must not leave the user's terminal
// silent: the handler puts the saved settings back and lets the signal take its course.
struct termios gSavedSettings;
volatile sig_atomic_t gEchoOffFd = -1;
constexpr int kRestoringSignals[] = {SIGINT, SIGTERM, SIGQUIT, SIGHUP};

extern "C" void RestoreEchoAndReraise(int signalNumber) {
    if (gEchoOffFd >= 0) {
        tcsetattr(gEchoOffFd, TCSANOW, &gSavedSettings);
    }
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// Echo is off for the life of one object; a descriptor that is no terminal is read as it is.
class EchoOff {
  public:
    explicit EchoOff(int fd) {
        if (tcgetattr(fd, &gSavedSettings) != 0) {
            return;
        }
        for (size_t i = 0; i < std::size(kRestoringSignals); ++i) {
            previous_[i] = std::signal(kRestoringSignals[i], RestoreEchoAndReraise);
        }
        gEchoOffFd = fd;
        struct termios quiet = gSavedSettings;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK);
        quiet.c_lflag |= ECHONL;
        tcsetattr(fd, TCSAFLUSH, &quiet);
        active_ = true;
    }
    ~EchoOff() {
        if (!active_) {
            return;
        }
        tcsetattr(gEchoOffFd, TCSAFLUSH, &gSavedSettings);
        gEchoOffFd = -1;
        for (size_t i = 0; i < std::size(kRestoringSignals); ++i) {
            std::signal(kRestoringSignals[i], previous_[i]);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

  private:
    bool active_ = false;
    void (*previous_[std::size(kRestoringSignals)])(int) = {};
};

void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return;
        }
        done += static_cast<size_t>(wrote);
    }
}

// One line, byte by byte so nothing after it is consumed; no value when the input ends
// before a single byte arrives.
std::optional<std::string> ReadLine(int fd) {
    std::string line;
    for (;;) {
        char c;
        const ssize_t got = read(fd, &c, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            if (line.empty()) {
                return std::nullopt;
            }
            break;
        }
        if (c == '\n') {
            break;
        }
        line.push_back(c);
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

}  // namespace

PasswordPrompt::PasswordPrompt(int terminalFd, int promptFd)
    : terminalFd_(terminalFd), promptFd_(promptFd) {}

bool PasswordPrompt::Available() const {
    return isatty(terminalFd_) == 1;
}

std::optional<std::string> PasswordPrompt::Ask(const std::string& question) const {
    // Echo goes off before the question shows, so nothing typed after it can be echoed.
    const EchoOff echoOff(terminalFd_);
    WriteAll(promptFd_, question);
    return ReadLine(terminalFd_);
}

void PasswordPrompt::Attach(TUnZipper& zipper) {
    zipper.OnBadPassword = [this](TUnZipper& sender, int fileIndex, std::string& newPassword) {
        AnswerBadPassword(sender, fileIndex, newPassword);
    };
}

void PasswordPrompt::AnswerBadPassword(TUnZipper& sender, int fileIndex, std::string& newPassword) {
    if (inputEnded_) {
        return;
    }
    if (fileIndex != entryAsked_) {
        entryAsked_ = fileIndex;
        triesForEntry_ = 0;
    }
    if (triesForEntry_ == kTriesPerEntry) {
        return;
    }
    ++triesForEntry_;
    std::string name = sender.EntryFullName(fileIndex);
    BackslashToSlash(name);
    const std::string question =
        std::string(triesForEntry_ > 1 ? "Wrong password. " : "") + "Password for " + name + ": ";
    const std::optional<std::string> answer = Ask(question);
    if (!answer) {
        inputEnded_ = true;
        return;
    }
    newPassword = *answer;
}

void UsePasswordOption(TUnZipper& zipper, const CommandLine& line, PasswordPrompt& prompt) {
    if (const std::optional<std::string> password = line.Value("-P")) {
        zipper.SetPassword(*password);
    } else if (prompt.Available()) {
        prompt.Attach(zipper);
    }
}

}  // namespace mobrel::cli
