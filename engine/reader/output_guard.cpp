#include "reader/output_guard.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/file_helpers.h"
#include "platform/file_status.h"
#include "platform/host_path.h"
#include "platform/symbolic_link.h"

namespace mobrel {

namespace {

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t slash = text.find(kPathSeparator, start);
        const size_t end = slash == std::string::npos ? text.size() : slash;
        if (end > start) {
            parts.push_back(text.substr(start, end - start));
        }
        if (slash == std::string::npos) {
            break;
        }
        start = slash + 1;
    }
    return parts;
}

std::string Joined(const std::string& root, const std::vector<std::string>& parts, size_t count) {
    std::string path = root;
    for (size_t i = 0; i < count; ++i) {
        path = JoinPath(path, parts[i]);
    }
    return path;
}

bool MakeFolder(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directory(path, error);
    return IsRealFolder(path);
}

}  // namespace

bool TOutputGuard::IsBelowRoot(const std::string& path) const {
    if (root_.empty()) {
        return path.empty() || path.front() != kPathSeparator;
    }
    return path.rfind(IncludeTrailingSeparator(root_), 0) == 0;
}

std::string TOutputGuard::RootOf(const std::string& path) const {
    return IsBelowRoot(path) ? root_ : FolderPart(path);
}

std::vector<std::string> TOutputGuard::ComponentsBelow(const std::string& root,
                                                       const std::string& path) const {
    const std::string prefix = root.empty() ? root : IncludeTrailingSeparator(root);
    return Split(path.substr(std::min(prefix.size(), path.size())));
}

std::string TOutputGuard::LinkOnTheWay(const std::string& path) const {
    const std::string root = RootOf(path);
    const std::vector<std::string> parts = ComponentsBelow(root, path);
    for (size_t count = 1; count < parts.size(); ++count) {
        const std::string folder = Joined(root, parts, count);
        if (IsSymbolicLink(folder)) {
            return folder;
        }
    }
    return {};
}

std::string TOutputGuard::ForceFolders(const std::string& folder) {
    if (!IsBelowRoot(IncludeTrailingSeparator(folder))) {
        // A handler chose this place outside the destination; it is made as asked.
        ForceDirectories(ExcludeTrailingSeparator(folder));
        return {};
    }
    const std::string root = root_;
    const std::vector<std::string> parts = ComponentsBelow(root, ExcludeTrailingSeparator(folder));
    if (parts.empty() || realFolders_.count(Joined(root, parts, parts.size())) != 0) {
        return {};
    }
    for (size_t count = 1; count <= parts.size(); ++count) {
        const std::string path = Joined(root, parts, count);
        if (realFolders_.count(path) != 0) {
            continue;
        }
        const std::optional<TFileStatus> status = FileStatus(path, false);
        if (status && status->IsSymbolicLink()) {
            return path;
        }
        if (status && status->IsDirectory()) {
            realFolders_.insert(path);
        } else if (!status) {
            if (!MakeFolder(path)) {
                // Made a link by someone else meanwhile, or left for the create to fail on.
                if (IsSymbolicLink(path)) {
                    return path;
                }
                continue;
            }
            realFolders_.insert(path);
        }
    }
    return {};
}

TLinkVerdict TOutputGuard::CheckLink(const std::string& linkPath, const std::string& target) {
    if (target.empty()) {
        return TLinkVerdict::Empty;
    }
    if (target.find('\0') != std::string::npos) {
        return TLinkVerdict::HoldsNul;
    }
    if (target.size() > kMaxTargetLength) {
        return TLinkVerdict::TooLong;
    }
    if (target.front() == kPathSeparator) {
        return TLinkVerdict::Absolute;
    }
    const std::string root = RootOf(linkPath);
    const std::vector<std::string> linkParts = ComponentsBelow(root, linkPath);
    if (followedLinks_.count(Joined(root, linkParts, linkParts.size())) != 0) {
        return TLinkVerdict::Replacing;
    }
    std::deque<std::string> pending(linkParts.begin(), linkParts.end());
    if (!pending.empty()) {
        pending.pop_back();  // resolved from the link's folder
    }
    for (const std::string& part : Split(target)) {
        pending.push_back(part);
    }
    std::vector<std::string> stack;
    std::set<std::string> followed;
    int hops = 0;
    while (!pending.empty()) {
        const std::string part = pending.front();
        pending.pop_front();
        if (part == ".") {
            continue;
        }
        if (part == "..") {
            // Only a real folder's ".." is sure to stay what it means now.
            if (stack.empty() || !IsRealFolder(Joined(root, stack, stack.size()))) {
                return TLinkVerdict::Leaves;
            }
            stack.pop_back();
            continue;
        }
        stack.push_back(part);
        const std::string path = Joined(root, stack, stack.size());
        std::optional<std::string> next;
        if (stack == linkParts) {
            next = target;
        } else if (IsSymbolicLink(path)) {
            next = LinkTarget(path);
            if (!next) {
                return TLinkVerdict::Leaves;
            }
        }
        if (!next) {
            continue;
        }
        if (++hops > kMaxLinkHops) {
            return TLinkVerdict::Loop;
        }
        if (next->empty() || next->front() == kPathSeparator) {
            return TLinkVerdict::Leaves;
        }
        followed.insert(path);
        stack.pop_back();
        const std::vector<std::string> more = Split(*next);
        pending.insert(pending.begin(), more.begin(), more.end());
    }
    followedLinks_.insert(followed.begin(), followed.end());
    return TLinkVerdict::Inside;
}

std::string LinkVerdictText(TLinkVerdict verdict, const std::string& target) {
    switch (verdict) {
        case TLinkVerdict::Inside:
            return "link to " + target;
        case TLinkVerdict::Empty:
            return "link with an empty target";
        case TLinkVerdict::HoldsNul:
            return "link target holds a NUL byte";
        case TLinkVerdict::TooLong:
            return "link target is longer than a path";
        case TLinkVerdict::Absolute:
        case TLinkVerdict::Leaves:
            return "link to " + target + " leaves the destination";
        case TLinkVerdict::Loop:
            return "link to " + target + " is part of a loop";
        case TLinkVerdict::Replacing:
            return "link would change where other links point";
    }
    return {};
}

}  // namespace mobrel
