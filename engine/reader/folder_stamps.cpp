#include "reader/folder_stamps.h"

#include <algorithm>
#include <vector>

#include "platform/file_date_time.h"
#include "platform/file_permissions.h"
#include "platform/host_path.h"
#include "platform/symbolic_link.h"

namespace mobrel {

void TFolderStamps::Add(const std::string& folder, std::optional<TDateTime> modified,
                        std::optional<uint32_t> permissions) {
    stamps_[ExcludeTrailingSeparator(folder)] = {modified, permissions};
}

void TFolderStamps::Apply() {
    std::vector<std::pair<std::string, TStamp>> deepestFirst(stamps_.begin(), stamps_.end());
    stamps_.clear();
    // A folder's path is longer than those of the folders above it.
    std::stable_sort(deepestFirst.begin(), deepestFirst.end(),
                     [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    for (const auto& [folder, stamp] : deepestFirst) {
        if (!IsRealFolder(folder)) {
            continue;
        }
        if (stamp.Permissions) {
            SetPermissions(folder, *stamp.Permissions);
        }
        if (stamp.Modified) {
            SetFileModificationTime(folder, *stamp.Modified);
        }
    }
}

}  // namespace mobrel
