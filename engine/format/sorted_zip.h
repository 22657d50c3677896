#pragma once
// A list of entry records kept in one of the directory's orders. The reader's physical
// directory is an owning TSortedZip in ByNone order; a sorted view is a non-owning one over
// the same records.
#include <cstdint>
#include <unordered_map>

#include "format/zip_header_info.h"
#include "format/zip_sort_mode.h"
#include "platform/dos_date_time.h"
#include "platform/sorted_object_list.h"

namespace mobrel {

class TSortedZip : public TSortedObjectList<TZipHeaderInfo> {
  public:
    explicit TSortedZip(TDuplicates duplicates, TZipSortMode sortMode = ByNone)
        : TSortedObjectList(duplicates), sortMode_(sortMode) {}

    // The records already held keep their places when the mode changes; a new order is
    // made by filling a new list.
    TZipSortMode SortMode() const { return sortMode_; }
    void SetSortMode(TZipSortMode mode) { sortMode_ = mode; }

    // The date and size orders never call two records equal, so records with equal keys
    // stay in the order they were added; the text orders and ByRate do, and there the
    // later record goes first.
    int Compare(const TZipHeaderInfo* item1, const TZipHeaderInfo* item2) const override;

  private:
    // The entry's modification time, exact from its extra fields when they hold one.
    // Converting a DOS date-time goes through the C library's local-time rules, far slower
    // than a comparison; each distinct value is converted once.
    TDateTime DateOf(const TZipHeaderInfo& item) const;

    TZipSortMode sortMode_;
    mutable std::unordered_map<uint32_t, TDateTime> dates_;
};

}  // namespace mobrel
