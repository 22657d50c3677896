// Choosing files: what the names and wildcard specifications of FilesList stand for, which
// of them the pattern lists and ZipAction leave out, and the name each file is stored under.
#include "format/sorted_zip.h"
#include "platform/dir_search.h"
#include "platform/engine_errors.h"
#include "platform/file_attributes.h"
#include "platform/file_helpers.h"
#include "platform/file_status.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "platform/string_helpers.h"
#include "platform/symbolic_link.h"
#include "platform/wildcard_match.h"
#include "writer/files_list_names.h"
#include "writer/zip_run_state.h"
#include "writer/zipper.h"

namespace mobrel {

namespace {

bool ArchiveBitClear(const std::string& path) {
    return (FileDosAttributes(path).value_or(faArchive) & faArchive) == 0;
}

}  // namespace

void TZipper::ExpandFilesList() {
    run_->TotalBytes = 0;
    run_->BytesDone = 0;
    const bool freshen = zipAction_ == zaFreshen;
    if (freshen) {
        // Freshening looks the stored names up in the archive's directory by name.
        if (FileExists(ZipName())) {
            OpenAndRefresh();
        }
        Sort(ByName);
    }
    try {
        std::vector<std::string> expanded;
        std::vector<std::string> specs;
        for (const std::string& name : FilesList()) {
            if (!ExpandName(name, expanded, specs)) {
                ReportNoFileMatches(name);
            }
        }
        for (const std::string& spec : specs) {
            if (!SearchSpecification(spec, expanded)) {
                ReportNoFileMatches(spec);
            }
        }
        FilesList() = std::move(expanded);
    } catch (...) {
        if (freshen) {
            Sort(ByNone);
        }
        throw;
    }
    if (freshen) {
        Sort(ByNone);
    }
}

void TZipper::ReportNoFileMatches(const std::string& spec) {
    if (OnNoFileMatches) {
        OnNoFileMatches(*this, spec);
    }
}

bool TZipper::ExpandName(const std::string& name, std::vector<std::string>& expanded,
                         std::vector<std::string>& specs) {
    if (IsBlankName(name)) {
        return true;
    }
    if (IsFolderEntryName(name)) {
        expanded.push_back(AbsoluteHostPath(name));
        return true;
    }
    if (HasWildcards(name)) {
        specs.push_back(name);
        return true;
    }
    const std::string path = AbsoluteHostPath(FolderPart(name).empty() ? RootDir() + name : name);
    if (MatchesExcludeList(path)) {
        return true;
    }
    const std::optional<TFileStatus> status = FileStatus(path, !storeSymlinks_);
    if (!status) {
        if (IsDanglingLink(path)) {
            SkipDanglingLink(path);
            return true;
        }
        if (OnNoSuchFile) {
            OnNoSuchFile(*this, path);
        }
        return false;
    }
    if ((skipIfArchiveBitNotSet_ && ArchiveBitClear(path)) ||
        (zipAction_ == zaFreshen && !FreshenAllows(path))) {
        return true;
    }
    run_->TotalBytes += status->IsDirectory() ? 0 : status->Size;
    expanded.push_back(path);
    return true;
}

bool TZipper::SearchSpecification(std::string spec, std::vector<std::string>& expanded) {
    bool recurse = recurse_;
    if (spec.front() == '|' || spec.front() == '>') {
        recurse = spec.front() == '>';
        spec.erase(0, 1);
    }
    std::string folder = FolderPart(spec);
    std::string pattern = NamePart(spec);
    folder = AbsoluteHostPath(IncludeTrailingSeparator(folder.empty() ? RootDir() : folder));
    if (pattern == "*.*") {
        pattern = "*";
    }
    if (!HasWildcards(folder) && !DirectoryExists(folder)) {
        return false;
    }
    const std::string archive = AbsoluteHostPath(ZipName());
    TDirSearch search(folder, recurse, pattern,
                      storeSymlinks_ ? TLinkMode::Keep : TLinkMode::Follow);
    TSearchRec searchRec;
    std::string found;
    bool matched = false;
    while (search.NextFile(searchRec, found)) {
        matched = true;
        if (OnRecursingFile) {
            OnRecursingFile(*this, found);
        }
        if (IsFolderEntryName(found)) {
            if (recurse && addDirEntriesOnRecurse_) {
                expanded.push_back(found);
            }
            continue;
        }
        if (MatchesExcludeList(found)) {
            continue;
        }
        CheckCancel();
        if (searchRec.Link && !storeSymlinks_) {
            SkipDanglingLink(found);
            continue;
        }
        if (AbsoluteHostPath(found) == archive ||
            (skipIfArchiveBitNotSet_ && ArchiveBitClear(found)) ||
            (zipAction_ == zaFreshen && !FreshenAllows(found))) {
            continue;
        }
        run_->TotalBytes += searchRec.Size;
        expanded.push_back(found);
    }
    return matched;
}

bool TZipper::FreshenAllows(const std::string& path) {
    if (visible_ == nullptr) {
        return false;
    }
    std::string directory;
    std::string fileName;
    StoredNameOf(path, directory, fileName);
    TZipHeaderInfo key;
    key.SetDirectory(directory);
    key.SetFileName(fileName);
    int index = 0;
    return visible_->Find(&key, index);
}

void TZipper::SkipDanglingLink(const std::string& path) {
    bool retry = false;
    if (OnSkippingFile) {
        OnSkippingFile(*this, skDanglingLink, path, -1, retry);
    }
}

void TZipper::CheckCancel() {
    if (!DoProcessMessages()) {
        return;
    }
    Services().ProcessMessages();
    if (CancelRequested()) {
        SetCancelRequested(false);
        throw EUserCanceled("User Aborted Operation");
    }
}

bool TZipper::MatchesExcludeList(const std::string& path) const {
    return MatchesPatternList(excludeList_, path);
}

bool TZipper::MatchesNoCompressList(const std::string& fileName) const {
    return MatchesPatternList(noCompressList_, fileName);
}

void TZipper::StoredNameOf(const std::string& path, std::string& directory,
                           std::string& fileName) const {
    std::string file = store83Names_ ? ToShortPath(path) : path;
    std::string root;
    if (!RootDir().empty()) {
        root = AbsoluteHostPath(
            IncludeTrailingSeparator(store83Names_ ? ToShortPath(RootDir()) : RootDir()));
    }
    fileName = IsFolderEntryName(file) ? std::string() : NamePart(file);
    directory.clear();
    if (!storePaths_) {
        return;
    }
    std::string folder = FolderPart(file);
    if (relativePaths_ && !root.empty() && folder.compare(0, root.size(), root) == 0) {
        folder.erase(0, root.size());
    }
    if (!storeVolumes_) {
        folder.erase(0, DrivePart(folder).size());
    }
    // An absolute name in an archive would send extractors to the root of the disk, so the
    // leading separator goes whether or not volumes are stored.
    const size_t first = folder.find_first_not_of(kPathSeparator);
    folder.erase(0, first == std::string::npos ? folder.size() : first);
    directory = HostPathToEntryName(folder);
}

}  // namespace mobrel
