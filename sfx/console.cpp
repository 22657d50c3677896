#include "console.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace mobrel::sfx {

namespace {

std::string ReadAnswerLine() {
    std::string line;
    if (!std::getline(std::cin, line)) {
        return {};
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

// Turns the terminal's echo off for one scope and always back on.
class TEchoOff {
  public:
    TEchoOff() {
        active_ = tcgetattr(STDIN_FILENO, &saved_) == 0;
        if (active_) {
            termios quiet = saved_;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        }
    }
    ~TEchoOff() {
        if (active_) {
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
        }
    }
    TEchoOff(const TEchoOff&) = delete;
    TEchoOff& operator=(const TEchoOff&) = delete;

  private:
    termios saved_{};
    bool active_ = false;
};

}  // namespace

bool StdinIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

bool AskYesNo(const std::string& question, bool defaultAnswer) {
    for (;;) {
        std::fprintf(stderr, "%s %s ", question.c_str(), defaultAnswer ? "[Y/n]" : "[y/N]");
        std::fflush(stderr);
        const std::string answer = ReadAnswerLine();
        if (answer.empty()) {
            return defaultAnswer;
        }
        if (answer == "y" || answer == "Y" || answer == "yes") {
            return true;
        }
        if (answer == "n" || answer == "N" || answer == "no") {
            return false;
        }
    }
}

std::string AskLine(const std::string& question, const std::string& current) {
    std::fprintf(stderr, "%s [%s]: ", question.c_str(), current.c_str());
    std::fflush(stderr);
    const std::string answer = ReadAnswerLine();
    return answer.empty() ? current : answer;
}

std::string AskSecret(const std::string& question) {
    std::fprintf(stderr, "%s: ", question.c_str());
    std::fflush(stderr);
    std::string answer;
    {
        const TEchoOff quiet;
        answer = ReadAnswerLine();
    }
    std::fprintf(stderr, "\n");
    return answer;
}

}  // namespace mobrel::sfx
