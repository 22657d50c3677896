#pragma once
// The names and specifications given to add and sfx that found no file: each one is
// reported on standard error as "<spec>: no file matches", spelled as it was typed, and
// they decide the exit status with the other problems of the run.
#include <map>
#include <string>
#include <vector>

namespace mobrel {
class TZipper;
}  // namespace mobrel

namespace mobrel::cli {

class UnmatchedFiles {
  public:
    // typed[i] is what became line i of the component's FilesList; must outlive the run.
    void Attach(TZipper& zipper, const std::vector<std::string>& typed);
    int Count() const { return count_; }

  private:
    std::map<std::string, std::string> typedBySpec_;
    int count_ = 0;
};

// 0 when everything asked for was zipped; 1 when some names found no file or some files
// were skipped; 2 when on top of that nothing at all was zipped.
int AddExitStatus(int zipped, bool problems);

}  // namespace mobrel::cli
