#include "platform/dir_search.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/file_attributes.h"
#include "platform/host_path.h"
#include "platform/wildcard_match.h"

namespace mobrel {

namespace {

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

uint8_t DosAttributesOf(const struct stat& st) {
    uint8_t attributes = S_ISDIR(st.st_mode) ? faDirectory : faArchive;
    if ((st.st_mode & S_IWUSR) == 0) {
        attributes |= faReadOnly;
    }
    return attributes;
}

// Splits "a/b*/c/" into its components; empty ones (from "//") are dropped.
std::vector<std::string> SplitComponents(const std::string& path) {
    std::vector<std::string> components;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find(kPathSeparator, start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (end > start) {
            components.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return components;
}

}  // namespace

bool TSearchRec::IsDirectory() const {
    return (Attr & faDirectory) != 0;
}

TSearchData::TSearchData(const std::string& dir, std::string spec, TLinkMode links)
    : Path(IncludeTrailingSeparator(dir)), Spec(std::move(spec)), links_(links) {
    handle_ = opendir(Path.empty() ? "." : Path.c_str());
    if (handle_ == nullptr) {
        Status = errno;
        Failed = true;
        return;
    }
    struct stat st;
    if (fstat(dirfd(handle_), &st) == 0) {
        device_ = st.st_dev;
        inode_ = st.st_ino;
    }
    Status = ReadNextEntry();
}

TSearchData::~TSearchData() {
    if (handle_ != nullptr) {
        closedir(handle_);
    }
}

void TSearchData::Advance() {
    if (Status == 0) {
        Status = ReadNextEntry();
    }
}

bool TSearchData::CurrentEntryIsFolder(const TSearchData& folder) const {
    return entryDevice_ == folder.device_ && entryInode_ == folder.inode_;
}

int TSearchData::ReadNextEntry() {
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(handle_);
        if (entry == nullptr) {
            return errno != 0 ? errno : ENOENT;
        }
        if (!IsDotOrDotDot(entry->d_name) && Describe(entry->d_name)) {
            return 0;
        }
    }
}

// Fills SearchRec for the entry; false for entries the search does not report.
bool TSearchData::Describe(const char* name) {
    if (links_ == TLinkMode::Keep && DescribeLink(name)) {
        return true;
    }
    struct stat st;
    if (fstatat(dirfd(handle_), name, &st, 0) != 0) {
        // A dangling link is told to the caller, who would otherwise lose the file without
        // a word; an entry that went away meanwhile is not.
        return DescribeLink(name);
    }
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) {
        return false;  // reading a pipe or a device would block or never end
    }
    SearchRec.Link = false;
    SearchRec.Name = name;
    SearchRec.Size = S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : 0;
    SearchRec.Attr = DosAttributesOf(st);
    SearchRec.Time = static_cast<TDateTime>(st.st_mtime);
    entryDevice_ = st.st_dev;
    entryInode_ = st.st_ino;
    return true;
}

// Fills SearchRec for the entry when it is a symbolic link, described by its own status.
bool TSearchData::DescribeLink(const char* name) {
    struct stat st;
    if (fstatat(dirfd(handle_), name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(st.st_mode)) {
        return false;
    }
    SearchRec.Link = true;
    SearchRec.Name = name;
    SearchRec.Size = static_cast<int64_t>(st.st_size);
    SearchRec.Attr = 0;
    SearchRec.Time = static_cast<TDateTime>(st.st_mtime);
    entryDevice_ = st.st_dev;
    entryInode_ = st.st_ino;
    return true;
}

TDirSearch::TDirSearch(const std::string& dir, bool recurse, std::string spec, TLinkMode links)
    : spec_(std::move(spec)), recurse_(recurse), links_(links) {
    std::string start = IncludeTrailingSeparator(dir);
    const size_t firstWildcard = start.find_first_of(kWildcardCharacters);
    if (firstWildcard != std::string::npos) {
        const size_t separator = start.rfind(kPathSeparator, firstWildcard);
        const size_t startLength = separator == std::string::npos ? 0 : separator + 1;
        dirPatterns_ = SplitComponents(start.substr(startLength));
        start.resize(startLength);
    }
    levels_[0] = std::make_unique<TSearchData>(start, PatternForLevel(0), links_);
}

TDirSearch::~TDirSearch() = default;

const std::string& TDirSearch::PatternForLevel(int level) const {
    return level < DirPatternCount() ? dirPatterns_[static_cast<size_t>(level)] : spec_;
}

bool TDirSearch::NextFile(TSearchRec& searchRec, std::string& name) {
    name.clear();
    for (;;) {
        if (!levels_[static_cast<size_t>(level_)]) {
            return false;  // called again after the end
        }
        TSearchData& search = *levels_[static_cast<size_t>(level_)];
        if (!search.HasEntry()) {
            if (!LeaveLevel()) {
                return false;
            }
        } else if (level_ < DirPatternCount()) {
            StepIntoMatchingComponent(search);
        } else if (search.SearchRec.IsDirectory()) {
            const bool entered =
                recurse_ && search.SearchRec.Name[0] != '.' && EnterLevel(search, spec_);
            if (entered) {
                searchRec = search.SearchRec;
                name = levels_[static_cast<size_t>(level_)]->Path;
                return true;
            }
            search.Advance();
        } else {
            const bool matched = SpecMatches(search.SearchRec.Name);
            if (matched) {
                searchRec = search.SearchRec;
                name = search.Path + search.SearchRec.Name;
            }
            search.Advance();
            if (matched) {
                return true;
            }
        }
    }
}

// At a level of the folder pattern only subfolders matching its component count; they
// are entered but not delivered.
void TDirSearch::StepIntoMatchingComponent(TSearchData& search) {
    const TSearchRec& entry = search.SearchRec;
    const bool matches = entry.IsDirectory() && entry.Name[0] != '.' &&
                         WildcardMatch(dirPatterns_[static_cast<size_t>(level_)], entry.Name);
    if (!matches || !EnterLevel(search, PatternForLevel(level_ + 1))) {
        search.Advance();
    }
}

// Opens the parent's current entry as the next level. False, leaving the parent as it is,
// when that would pass the deepest level or walk into a folder that is already open (a
// link back up the tree).
bool TDirSearch::EnterLevel(const TSearchData& parent, const std::string& pattern) {
    if (level_ + 1 >= kMaxLevels || IsOpenFolder(parent)) {
        return false;
    }
    ++level_;
    levels_[static_cast<size_t>(level_)] =
        std::make_unique<TSearchData>(parent.Path + parent.SearchRec.Name, pattern, links_);
    return true;
}

bool TDirSearch::IsOpenFolder(const TSearchData& parent) const {
    for (int i = 0; i <= level_; ++i) {
        if (parent.CurrentEntryIsFolder(*levels_[static_cast<size_t>(i)])) {
            return true;
        }
    }
    return false;
}

// Closes the deepest level and moves its parent past the folder just finished; false when
// the start level was closed.
bool TDirSearch::LeaveLevel() {
    levels_[static_cast<size_t>(level_)].reset();
    if (level_ == 0) {
        return false;
    }
    --level_;
    levels_[static_cast<size_t>(level_)]->Advance();
    return true;
}

// A name without an extension is also tried with an empty one ("README" as "README."), so
// "*.*" finds it, while a pattern naming it exactly still does too.
bool TDirSearch::SpecMatches(const std::string& fileName) {
    if (WildcardMatch(spec_, fileName)) {
        return true;
    }
    if (fileName.find('.') != std::string::npos) {
        return false;
    }
    scratch_.assign(fileName);
    scratch_.push_back('.');
    return WildcardMatch(spec_, scratch_);
}

}  // namespace mobrel
