#pragma once
// Walking a folder (and optionally its subfolders) for the files whose names match a
// pattern. The folder itself may hold wildcards: "/data/20*/logs/" walks every "logs"
// folder inside the folders of /data whose names start with "20".
#include <dirent.h>
#include <sys/types.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dos_date_time.h"

namespace mobrel {

// How a search treats symbolic links.
enum class TLinkMode {
    Follow,  // a link stands for its target; a dangling link is delivered as a link
    Keep,    // every link is delivered as itself, never as a folder to enter
};

// What a search reports about one folder entry.
struct TSearchRec {
    std::string Name;  // the name within its folder
    int64_t Size = 0;
    uint8_t Attr = 0;    // DOS attribute byte: faDirectory, faArchive, faReadOnly
    TDateTime Time = 0;  // modification time
    // A symbolic link delivered as itself: every link in TLinkMode::Keep, in Follow only
    // one whose target is missing. Size and Time are the link's own.
    bool Link = false;

    bool IsDirectory() const;
};

// One open folder of a search. Every entry of the folder is visited once ("." and ".."
// never); symbolic links are treated as links says, and entries that are neither files,
// folders nor links (devices, pipes, sockets) are passed over.
class TSearchData {
  public:
    // Opens dir (a trailing '/' is optional; empty means the current folder) and makes its
    // first entry current.
    TSearchData(const std::string& dir, std::string spec, TLinkMode links = TLinkMode::Follow);
    ~TSearchData();
    TSearchData(const TSearchData&) = delete;
    TSearchData& operator=(const TSearchData&) = delete;

    // Makes the next entry current, or ends the listing (Status no longer 0).
    void Advance();
    bool HasEntry() const { return Status == 0; }
    // True when the current entry is this folder itself, reached again through a link.
    bool CurrentEntryIsFolder(const TSearchData& folder) const;

    std::string Path;      // the folder with a trailing '/' (empty for the current folder)
    std::string Spec;      // the pattern names at this level are matched against
    int Status = 0;        // 0 while an entry is current, else an errno value (ENOENT at the end)
    TSearchRec SearchRec;  // the current entry
    bool Failed = false;   // the folder could not be opened

  private:
    bool DescribeLink(const char* name);

    int ReadNextEntry();
    bool Describe(const char* name);

    TLinkMode links_;
    DIR* handle_ = nullptr;
    dev_t device_ = 0;  // the folder's own identity
    ino_t inode_ = 0;
    dev_t entryDevice_ = 0;  // the current entry's identity
    ino_t entryInode_ = 0;
};

class TDirSearch {
  public:
    // The start folder and 20 levels below it; deeper folders are passed over.
    static constexpr int kMaxLevels = 21;

    // dir: the folder to search, whose path may hold wildcards (a trailing '/' is
    // optional). spec: the file pattern, "*" for every file. links: whether a link stands
    // for its target or for itself.
    TDirSearch(const std::string& dir, bool recurse, std::string spec,
               TLinkMode links = TLinkMode::Follow);
    ~TDirSearch();
    TDirSearch(const TDirSearch&) = delete;
    TDirSearch& operator=(const TDirSearch&) = delete;

    // Delivers the next result in name and searchRec and returns true, or clears name and
    // returns false when the search is over. A file comes as its folder's path + its name;
    // with recursion, a folder comes as its path + '/' when the search enters it, before
    // its contents. Folders whose names start with '.' are never entered or delivered, and
    // a name without an extension matches "*.*".
    bool NextFile(TSearchRec& searchRec, std::string& name);

  private:
    int DirPatternCount() const { return static_cast<int>(dirPatterns_.size()); }
    const std::string& PatternForLevel(int level) const;
    void StepIntoMatchingComponent(TSearchData& search);
    bool EnterLevel(const TSearchData& parent, const std::string& pattern);
    bool LeaveLevel();
    bool IsOpenFolder(const TSearchData& parent) const;
    bool SpecMatches(const std::string& fileName);

    std::array<std::unique_ptr<TSearchData>, kMaxLevels> levels_;
    int level_ = 0;
    std::string spec_;
    bool recurse_ = false;
    TLinkMode links_ = TLinkMode::Follow;
    // The folder components from the first one with a wildcard on; level i (while below
    // their count) matches its subfolders against component i.
    std::vector<std::string> dirPatterns_;
    std::string scratch_;  // a name with "." appended, kept to avoid allocating per file
};

}  // namespace mobrel
