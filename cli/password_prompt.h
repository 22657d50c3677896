#pragma once
// Asking for an entry's password on the terminal, without echo. mobrel-cli asks only when
// no -P was given and standard input is a terminal: a script never waits for an answer.
#include <unistd.h>

#include <optional>
#include <string>

namespace mobrel {
class TUnZipper;
}  // namespace mobrel

namespace mobrel::cli {

class CommandLine;

class PasswordPrompt {
  public:
    // A wrong answer is asked again this often for one entry; then the engine skips it.
    static constexpr int kTriesPerEntry = 3;

    // Reads answers from terminalFd and writes questions to promptFd.
    explicit PasswordPrompt(int terminalFd = STDIN_FILENO, int promptFd = STDERR_FILENO);

    // True when answers can be typed: the input is a terminal.
    bool Available() const;
    // Shows question and reads one line with echo switched off (restored on every path, a
    // terminating signal included). No value at the end of input.
    std::optional<std::string> Ask(const std::string& question) const;
    // Answers the reader's bad-password event with the typed password. After
    // kTriesPerEntry answers for one entry, or at the end of input, the password is left as
    // it is, which makes the engine skip the entry. The prompt must outlive the operations.
    void Attach(TUnZipper& zipper);

  private:
    void AnswerBadPassword(TUnZipper& sender, int fileIndex, std::string& newPassword);

    int terminalFd_;
    int promptFd_;
    int entryAsked_ = -1;  // the entry the last question was about
    int triesForEntry_ = 0;
    bool inputEnded_ = false;
};

// What every subcommand that reads encrypted entries does with -P: the given password is
// used as it is; without one, prompt answers the engine's bad-password event when it can.
void UsePasswordOption(TUnZipper& zipper, const CommandLine& line, PasswordPrompt& prompt);

}  // namespace mobrel::cli
