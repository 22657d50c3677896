#pragma once
// Keeps an extraction run inside its destination folder in the file system, not only in
// the text of its paths: no name is written through a symbolic link, and a link the run
// makes must resolve inside the destination.
//
// Why a link's resolution stays true after the check: ".." is only taken back over a
// folder that exists as a real folder (which the run never replaces), and a link that a
// checked resolution went through is never replaced by another link later in the run.
// Names that don't exist yet may later become links, but each of those is checked itself.
#include <set>
#include <string>
#include <vector>

namespace mobrel {

enum class TLinkVerdict {
    Inside,     // the link may be made
    Empty,      // no target at all
    HoldsNul,   // a NUL byte, which no path can hold
    TooLong,    // longer than any path
    Absolute,   // starts at the root
    Leaves,     // climbs out of the destination
    Loop,       // links that point at each other without end
    Replacing,  // the name is a link another link went through
};

class TOutputGuard {
  public:
    // The longest target a link may have, as the system's paths allow.
    static constexpr size_t kMaxTargetLength = 4095;
    // How many links one resolution may go through before it counts as a loop.
    static constexpr int kMaxLinkHops = 40;

    // root: the destination folder; empty for the current folder.
    explicit TOutputGuard(std::string root) : root_(std::move(root)) {}

    // The first folder on the way from the destination to path (path's own name not
    // included) that is a symbolic link; empty when there is none.
    std::string LinkOnTheWay(const std::string& path) const;
    // Creates folder and every folder missing on the way to it, never through a link:
    // empty when done, else the link that was in the way. A file in the way is left for
    // the caller's create to fail on. A folder an event handler chose outside the
    // destination is made as it asked.
    std::string ForceFolders(const std::string& folder);
    // Whether a link at linkPath holding target resolves inside the destination; an
    // accepted link's resolution is remembered for the rule above.
    TLinkVerdict CheckLink(const std::string& linkPath, const std::string& target);

  private:
    bool IsBelowRoot(const std::string& path) const;
    // The destination a path is judged against and the path's components below it. A
    // path a handler moved outside the destination is judged against its own folder.
    std::string RootOf(const std::string& path) const;
    std::vector<std::string> ComponentsBelow(const std::string& root,
                                             const std::string& path) const;

    std::string root_;
    std::set<std::string> followedLinks_;  // links that accepted resolutions went through
    // Folders below the destination this run found or made as real folders. The run never
    // replaces a real folder (a link or a file is never put in its place), so each is
    // checked once, not again for every entry inside it.
    std::set<std::string> realFolders_;
};

// The text a front end shows for a refused link.
std::string LinkVerdictText(TLinkVerdict verdict, const std::string& target);

}  // namespace mobrel
