#pragma once
// An array of object references that may own its objects. The index checks, the growth
// steps and the error messages are part of its contract: callers catch EListError.
#include <algorithm>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/engine_errors.h"
#include "platform/object.h"

namespace mobrel {

// The direction argument of Neighbour.
enum TNeighbourDirection : int { ndPrevious = 0, ndNext = 1 };

template <class T>
class TObjectList {
    static_assert(std::is_base_of_v<TObject, T>, "list items derive from TObject");

  public:
    static constexpr int kMaxCapacity = 0x1FFFFFFF;  // exclusive
    static constexpr int kMaxCount = 0x1FFFFFFE;     // inclusive

    TObjectList() = default;
    TObjectList(const TObjectList&) = delete;
    TObjectList& operator=(const TObjectList&) = delete;
    virtual ~TObjectList() { FreeAll(); }

    // When set, the list deletes its items in FreeAll and on destruction.
    bool OwnsObjects() const { return ownsObjects_; }
    void SetOwnsObjects(bool owns) { ownsObjects_ = owns; }

    int Count() const { return count_; }
    int Capacity() const { return static_cast<int>(items_.size()); }

    T* Get(int index) const {
        CheckIndex(index);
        return items_[static_cast<size_t>(index)];
    }

    // Replaces the reference at index; the item it held is not freed.
    virtual void Put(int index, T* item) {
        CheckIndex(index);
        items_[static_cast<size_t>(index)] = item;
    }

    // Appends the item; returns its index.
    virtual int Add(T* item) {
        if (count_ == Capacity()) {
            Grow();
        }
        items_[static_cast<size_t>(count_)] = item;
        return count_++;
    }

    // Stores the item at index (0 to Count), moving the later references up one place.
    virtual void Insert(int index, T* item) {
        if (index < 0 || index > count_) {
            ListError(index);
        }
        if (count_ == Capacity()) {
            Grow();
        }
        const auto at = items_.begin() + index;
        std::copy_backward(at, items_.begin() + count_, items_.begin() + count_ + 1);
        *at = item;
        ++count_;
    }

    // The index of this very item (by identity), -1 when it isn't held.
    virtual int IndexOf(const T* item) const {
        for (int i = 0; i < count_; ++i) {
            if (items_[static_cast<size_t>(i)] == item) {
                return i;
            }
        }
        return -1;
    }

    virtual T* First() const { return Get(0); }
    virtual T* Last() const { return Get(count_ - 1); }

    // The item before (ndPrevious) or after (ndNext) item; without an item, the last or the
    // first one. Nothing when the neighbour would lie outside the list.
    virtual T* Neighbour(const T* item, TNeighbourDirection direction) const {
        if (item == nullptr) {
            return direction == ndNext ? First() : Last();
        }
        const int index = IndexOf(item);
        if (index < 0) {
            throw EListError("tObject " + item->ClassName() + " not in item list");
        }
        const int neighbour = direction == ndNext ? index + 1 : index - 1;
        if (neighbour < 0 || neighbour >= count_) {
            return nullptr;
        }
        return items_[static_cast<size_t>(neighbour)];
    }

    // Forgets every reference and releases the array; the items are not freed.
    virtual void ClearList() {
        SetCount(0);
        SetCapacity(0);
    }

    // Frees every item when the list owns them, then empties the list.
    void FreeAll() {
        for (int i = 0; i < count_; ++i) {
            FreeItem(items_[static_cast<size_t>(i)]);
        }
        ClearList();
    }

    void SetCapacity(int capacity) {
        if (capacity == Capacity()) {
            return;
        }
        if (capacity < count_ || capacity >= kMaxCapacity) {
            ListError(capacity);
        }
        // The storage underneath grows geometrically, so adding n items costs O(n) copies
        // although Capacity itself follows the small steps of Grow.
        const bool shrinking = static_cast<size_t>(capacity) < items_.size();
        items_.resize(static_cast<size_t>(capacity));
        if (shrinking) {
            items_.shrink_to_fit();
        }
    }

    // Lowering the count does not free the items beyond it; raising it adds empty slots.
    void SetCount(int count) {
        if (count < 0 || count > kMaxCount) {
            ListError(count);
        }
        if (count > Capacity()) {
            SetCapacity(count);
        }
        for (int i = count_; i < count; ++i) {
            items_[static_cast<size_t>(i)] = nullptr;
        }
        count_ = count;
    }

    T* const* begin() const { return items_.data(); }
    T* const* end() const { return items_.data() + count_; }

  protected:
    [[noreturn]] virtual void ListError(int index) const {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }

    // Small lists grow in small steps, larger ones by 16 references at a time.
    virtual void Grow() {
        const int capacity = Capacity();
        const int delta = capacity > 8 ? 16 : capacity > 4 ? 8 : 4;
        SetCapacity(capacity + delta);
    }

    virtual void FreeItem(T* item) {
        if (ownsObjects_) {
            delete item;
        }
    }

    // Moves references to make room at index without checks; for derived lists that have
    // already chosen a valid position.
    void InsertAt(int index, T* item) { TObjectList::Insert(index, item); }

  private:
    void CheckIndex(int index) const {
        if (index < 0 || index >= count_) {
            ListError(index);
        }
    }

    bool ownsObjects_ = true;
    std::vector<T*> items_;  // size() is the capacity
    int count_ = 0;
};

}  // namespace mobrel
