#pragma once
// An object list kept in the order of an abstract comparison. Items go in at the place a
// binary search gives; what happens to an item whose key is already present is the list's
// Duplicates setting.
#include "platform/object_list.h"

namespace mobrel {

enum TDuplicates : unsigned char {
    dupIgnore = 0,  // the new item is dropped: neither stored nor freed
    dupAccept = 1,  // the new item goes before the items with an equal key
    dupError = 2,   // EListError "Duplicate Object index"
};

template <class T>
class TSortedObjectList : public TObjectList<T> {
    using Base = TObjectList<T>;

  public:
    explicit TSortedObjectList(TDuplicates duplicates) : duplicates_(duplicates) {}

    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }

    // The key an item is sorted by: the item itself unless a derived list says otherwise.
    virtual const T* KeyOf(const T* item) const { return item; }
    // Negative, zero or positive as key1 sorts before, with or after key2.
    virtual int Compare(const T* key1, const T* key2) const = 0;

    // Binary search for key. Returns whether an equal key exists; index is where key
    // belongs: with dupAccept the first position whose item does not sort before key.
    virtual bool Find(const T* key, int& index) const {
        bool found = false;
        int lo = 0;
        int hi = this->Count() - 1;
        while (hi >= lo) {
            const int mid =
                static_cast<int>((static_cast<unsigned>(lo) + static_cast<unsigned>(hi)) / 2);
            const int c = Compare(KeyOf(this->Get(mid)), key);
            if (c < 0) {
                lo = mid + 1;
            } else {
                hi = mid - 1;
                if (c == 0) {
                    found = true;
                    if (duplicates_ != dupAccept) {
                        lo = mid;
                    }
                }
            }
        }
        index = lo;
        return found;
    }

    // The position is chosen by the order; the index argument is ignored.
    void Insert(int /*index*/, T* item) override { InsertSorted(item); }

    // Returns the index the item went to, or -1 when dupIgnore dropped it (the caller then
    // still owns it).
    int Add(T* item) override { return InsertSorted(item); }

    // The position of an item with an equal key (not necessarily this very item), or -1.
    int IndexOf(const T* item) const override {
        int index = 0;
        return Find(KeyOf(item), index) ? index : -1;
    }

    // Placing an item by hand would break the order.
    void Put(int /*index*/, T* /*item*/) override {
        throw EListError("Cannot <Put> an Object in a sorted list!");
    }

  private:
    int InsertSorted(T* item) {
        int index = 0;
        if (Find(KeyOf(item), index)) {
            if (duplicates_ == dupIgnore) {
                return -1;
            }
            if (duplicates_ == dupError) {
                throw EListError("Duplicate Object index");
            }
        }
        this->InsertAt(index, item);
        return index;
    }

    TDuplicates duplicates_;
};

}  // namespace mobrel
