#pragma once
// A list of entry records kept in one of the directory's orders. The reader's physical
// directory is an owning TSortedZip in ByNone order; a sorted view is a non-owning one over
// the same records.
#include "reader/sorted_object_list.h"
#include "reader/zip_header_info.h"
#include "reader/zip_sort_mode.h"

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
    TZipSortMode sortMode_;
};

}  // namespace mobrel
