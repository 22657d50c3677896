#include "password_prompt.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "command_line.h"
#include "reader/un_zipper.h"
#include "test_support.h"

namespace mobrel::cli {
namespace {

// A pseudo-terminal: the prompt works on the terminal end, the test types on the other.
class PseudoTerminal {
  public:
    PseudoTerminal() {
        controller_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (controller_ < 0 || grantpt(controller_) != 0 || unlockpt(controller_) != 0) {
            throw std::runtime_error("no pseudo-terminal");
        }
        terminal_ = open(ptsname(controller_), O_RDWR | O_NOCTTY);
        if (terminal_ < 0) {
            throw std::runtime_error("cannot open the pseudo-terminal");
        }
    }
    ~PseudoTerminal() {
        close(terminal_);
        close(controller_);
    }
    int Terminal() const { return terminal_; }
    int Controller() const { return controller_; }

    // What the terminal shows, up to and including the first occurrence of marker.
    std::string ReadScreenUntil(const std::string& marker) const {
        std::string screen;
        while (screen.find(marker) == std::string::npos) {
            pollfd ready{controller_, POLLIN, 0};
            if (poll(&ready, 1, 10000) <= 0) {  // a safety net against a hang, not a timing
                break;
            }
            char chunk[256];
            const ssize_t got = read(controller_, chunk, sizeof chunk);
            if (got <= 0) {
                break;
            }
            screen.append(chunk, static_cast<size_t>(got));
        }
        return screen;
    }

    // Types keys once the question is on the screen, from a child process, because Ask
    // blocks the test's own thread.
    pid_t TypeAfter(const std::string& question, const std::string& keys) const {
        const pid_t child = fork();
        if (child == 0) {
            ReadScreenUntil(question);
            const ssize_t wrote = write(controller_, keys.data(), keys.size());
            _exit(wrote == static_cast<ssize_t>(keys.size()) ? 0 : 1);
        }
        return child;
    }

  private:
    int controller_ = -1;
    int terminal_ = -1;
};

int WaitFor(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool EchoIsOn(int fd) {
    termios settings{};
    tcgetattr(fd, &settings);
    return (settings.c_lflag & ECHO) != 0;
}

TEST(PasswordPrompt, AvailableOnlyOnATerminal) {
    PseudoTerminal pty;
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    EXPECT_TRUE(PasswordPrompt(pty.Terminal(), pty.Terminal()).Available());
    EXPECT_FALSE(PasswordPrompt(pipeEnds[0], pty.Terminal()).Available());
    close(pipeEnds[0]);
    close(pipeEnds[1]);
}

TEST(PasswordPrompt, ReadsTheTypedLineWithoutEchoingItAndRestoresEcho) {
    PseudoTerminal pty;
    ASSERT_TRUE(EchoIsOn(pty.Terminal()));
    const PasswordPrompt prompt(pty.Terminal(), pty.Terminal());
    const pid_t typist = pty.TypeAfter("Password for a.txt: ", "s3cret word\n");
    const std::optional<std::string> answer = prompt.Ask("Password for a.txt: ");
    EXPECT_EQ(WaitFor(typist), 0);
    EXPECT_EQ(answer, "s3cret word");
    // Everything the terminal echoed for that line: the new line only, never the password.
    const std::string echoed = pty.ReadScreenUntil("\n");
    EXPECT_EQ(echoed.find("s3cret"), std::string::npos) << echoed;
    EXPECT_NE(echoed.find('\n'), std::string::npos);
    EXPECT_TRUE(EchoIsOn(pty.Terminal()));
}

TEST(PasswordPrompt, EndOfInputGivesNoAnswer) {
    PseudoTerminal pty;
    const PasswordPrompt prompt(pty.Terminal(), pty.Terminal());
    const pid_t typist = pty.TypeAfter("Password: ", "\x04");  // Ctrl-D on an empty line
    EXPECT_EQ(prompt.Ask("Password: "), std::nullopt);
    EXPECT_EQ(WaitFor(typist), 0);
    EXPECT_TRUE(EchoIsOn(pty.Terminal()));
}

// The bad-password handler is driven through a real extraction with answers from a pipe.
class PromptedExtraction : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(pipe(answers_), 0);
        ASSERT_EQ(pipe(questions_), 0);
        fcntl(questions_[0], F_SETFL, O_NONBLOCK);
    }
    void TearDown() override {
        for (int fd : {answers_[0], answers_[1], questions_[0], questions_[1]}) {
            close(fd);
        }
    }
    void Type(const std::string& keys) {
        ASSERT_EQ(write(answers_[1], keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }
    void EndInput() {
        close(answers_[1]);
        answers_[1] = -1;
    }
    std::string Questions() {
        std::string text;
        char chunk[512];
        ssize_t got;
        while ((got = read(questions_[0], chunk, sizeof chunk)) > 0) {
            text.append(chunk, static_cast<size_t>(got));
        }
        return text;
    }
    int ExtractAll(const std::string& archive, PasswordPrompt& prompt) {
        TUnZipper zipper;
        zipper.SetZipName((test::TestDataDir() / archive).string());
        zipper.SetDestDir(out_.Path().string());
        zipper.SetOverwriteMode(TUZOverwriteMode::Always);
        zipper.SetDoAll(true);
        zipper.OnSkippingFile = [this](TUnZipper&, TSkipReason, const std::string&, int, bool&) {
            ++skipped_;
        };
        prompt.Attach(zipper);
        return zipper.UnZip();
    }

    int answers_[2] = {-1, -1};
    int questions_[2] = {-1, -1};
    test::TempDir out_;
    int skipped_ = 0;
};

TEST_F(PromptedExtraction, AWrongAnswerIsAskedAgainAndTheRightOneServesTheRestOfTheRun) {
    PasswordPrompt prompt(answers_[0], questions_[1]);
    Type("wrong\nSecret-123\n");
    const int extracted =
        ExtractAll("enc-zipcrypto-deflate-pw-Secret-123--infozip-gen.zip", prompt);
    EXPECT_EQ(skipped_, 0);
    EXPECT_GT(extracted, 1);
    const std::string questions = Questions();
    // One question for the first entry, one repeat after the wrong answer, then no more.
    EXPECT_EQ(questions.find("Password for "), 0u) << questions;
    const size_t repeat = questions.find("Wrong password. Password for ");
    EXPECT_NE(repeat, std::string::npos) << questions;
    EXPECT_EQ(questions.find("Password for ", repeat + 20), std::string::npos) << questions;
}

TEST_F(PromptedExtraction, AfterThreeWrongAnswersTheEntryIsSkipped) {
    PasswordPrompt prompt(answers_[0], questions_[1]);
    Type("one\ntwo\nthree\n");
    EndInput();
    ExtractAll("enc-zipcrypto-stored-pw-abc--infozip-gen.zip", prompt);
    EXPECT_GE(skipped_, 1);
    const std::string questions = Questions();
    size_t asked = 0;
    for (size_t at = questions.find("Password for "); at != std::string::npos;
         at = questions.find("Password for ", at + 1)) {
        ++asked;
    }
    // Three for the first entry; the end of input stops the questions for the others.
    EXPECT_EQ(asked, 3u + (skipped_ > 1 ? 1u : 0u)) << questions;
}

TEST(UsePasswordOption, AGivenPasswordIsUsedAndNoPromptIsInstalled) {
    PseudoTerminal pty;
    PasswordPrompt prompt(pty.Terminal(), pty.Terminal());
    TUnZipper zipper;
    UsePasswordOption(zipper, CommandLine({"a.zip", "-P", "pw"}, {{"-P", true}}), prompt);
    EXPECT_EQ(zipper.Password(), "pw");
    EXPECT_FALSE(static_cast<bool>(zipper.OnBadPassword));

    UsePasswordOption(zipper, CommandLine({"a.zip"}, {{"-P", true}}), prompt);
    EXPECT_TRUE(static_cast<bool>(zipper.OnBadPassword));

    TUnZipper scripted;
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    PasswordPrompt noTerminal(pipeEnds[0], pipeEnds[1]);
    UsePasswordOption(scripted, CommandLine({"a.zip"}, {{"-P", true}}), noTerminal);
    EXPECT_FALSE(static_cast<bool>(scripted.OnBadPassword));
    close(pipeEnds[0]);
    close(pipeEnds[1]);
}

}  // namespace
}  // namespace mobrel::cli
