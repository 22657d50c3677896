#pragma once
// The times and permissions of the folders an extraction run writes. They are given at the
// end of the run, deepest folder first: writing a file into a folder changes the folder's
// time, and a folder without write permission would refuse the files still to come.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/dos_date_time.h"

namespace mobrel {

class TFolderStamps {
  public:
    // Remembers what folder gets. A later record of the same folder replaces an earlier one.
    void Add(const std::string& folder, std::optional<TDateTime> modified,
             std::optional<uint32_t> permissions);
    // Gives every recorded folder its permissions and time, deepest first, and forgets them.
    // A folder that has become a link meanwhile is left alone.
    void Apply();
    bool Empty() const { return stamps_.empty(); }

  private:
    struct TStamp {
        std::optional<TDateTime> Modified;
        std::optional<uint32_t> Permissions;
    };
    std::map<std::string, TStamp> stamps_;  // by folder path
};

}  // namespace mobrel
