#pragma once
// A private folder for the files one fuzzing process writes, made on first use and removed
// when the process ends, so neither a sibling file can be taken for another disk of a set
// nor a run leaves folders behind.
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace mobrel::fuzz {

class TScratchFolder {
  public:
    explicit TScratchFolder(const std::string& prefix) : path_("/tmp/" + prefix + "XXXXXX") {
        if (mkdtemp(path_.data()) == nullptr) {
            std::abort();
        }
    }
    ~TScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;

    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace mobrel::fuzz
