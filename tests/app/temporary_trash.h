#pragma once
// A desktop trash under a temporary folder for one test: HOME and XDG_DATA_HOME point into
// it while the object lives, so the trash is $XDG_DATA_HOME/Trash on the same file system
// as the test's scratch files and the user's real trash is never touched.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "test_support.h"

class TTemporaryTrash {
  public:
    TTemporaryTrash() {
        Keep("HOME", savedHome_);
        Keep("XDG_DATA_HOME", savedDataHome_);
        std::filesystem::create_directories(dir_ / "home" / ".local" / "share");
        setenv("HOME", (dir_ / "home").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir_ / "home" / ".local" / "share").c_str(), 1);
    }
    ~TTemporaryTrash() {
        Restore("HOME", savedHome_);
        Restore("XDG_DATA_HOME", savedDataHome_);
    }
    TTemporaryTrash(const TTemporaryTrash&) = delete;
    TTemporaryTrash& operator=(const TTemporaryTrash&) = delete;

    // A scratch folder beside the trash, on the same file system.
    std::filesystem::path Scratch() const { return dir_.Path(); }
    // True when the trash holds an item of that name together with its information file.
    bool Holds(const std::string& name) const {
        const std::filesystem::path trash = dir_ / "home" / ".local" / "share" / "Trash";
        return std::filesystem::exists(std::filesystem::symlink_status(trash / "files" / name)) &&
               std::filesystem::exists(trash / "info" / (name + ".trashinfo"));
    }

  private:
    static void Keep(const char* name, std::optional<std::string>& saved) {
        if (const char* value = std::getenv(name)) {
            saved = value;
        }
    }
    static void Restore(const char* name, const std::optional<std::string>& saved) {
        if (saved) {
            setenv(name, saved->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }

    mobrel::test::TempDir dir_;
    std::optional<std::string> savedHome_;
    std::optional<std::string> savedDataHome_;
};
