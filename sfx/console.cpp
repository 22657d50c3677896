#include "console.h"

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

}  // namespace mobrel::sfx
