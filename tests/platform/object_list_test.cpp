// The owning list and its sorted form: index checks and their messages, growth, ownership,
// neighbours, and where the sorted form puts equal keys.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/object_list.h"
#include "platform/sorted_object_list.h"

namespace mobrel {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// An item that counts its own destruction, to see what a list frees.
class TCounted : public TObject {
  public:
    explicit TCounted(int key, int* destroyed = nullptr) : Key(key), destroyed_(destroyed) {}
    ~TCounted() override {
        if (destroyed_ != nullptr) {
            ++*destroyed_;
        }
    }
    std::string ClassName() const override { return "TCounted"; }
    int Key;

  private:
    int* destroyed_;
};

class TByKey : public TSortedObjectList<TCounted> {
  public:
    explicit TByKey(TDuplicates duplicates) : TSortedObjectList(duplicates) {}
    int Compare(const TCounted* key1, const TCounted* key2) const override {
        return key1->Key - key2->Key;
    }
};

template <class List>
std::vector<int> Keys(const List& list) {
    std::vector<int> keys;
    for (const TCounted* item : list) {
        keys.push_back(item->Key);
    }
    return keys;
}

void ExpectListError(const std::function<void()>& action, const std::string& message) {
    try {
        action();
        ADD_FAILURE() << "no EListError, expected: " << message;
    } catch (const EListError& error) {
        EXPECT_EQ(error.what(), message);
    }
}

TEST(ObjectListTest, IndexErrorsNameTheOffendingIndexAndLeaveTheListUnchanged) {
    TObjectList<TCounted> list;
    list.Add(new TCounted(1));
    list.Add(new TCounted(2));
    ExpectListError([&] { list.Get(2); }, "List index out of bounds (2)");
    ExpectListError([&] { list.Get(-1); }, "List index out of bounds (-1)");
    ExpectListError([&] { list.Put(5, nullptr); }, "List index out of bounds (5)");
    ExpectListError([&] { list.Insert(3, nullptr); }, "List index out of bounds (3)");
    ExpectListError([&] { list.SetCapacity(1); }, "List index out of bounds (1)");
    ExpectListError([&] { list.SetCapacity(0x1FFFFFFF); }, "List index out of bounds (536870911)");
    ExpectListError([&] { list.SetCount(-1); }, "List index out of bounds (-1)");
    ExpectListError([&] { list.SetCount(0x1FFFFFFF); }, "List index out of bounds (536870911)");
    EXPECT_THAT(Keys(list), ElementsAre(1, 2));

    TObjectList<TCounted> empty;
    ExpectListError([&] { empty.First(); }, "List index out of bounds (0)");
    ExpectListError([&] { empty.Last(); }, "List index out of bounds (-1)");
}

TEST(ObjectListTest, GrowsByFourThenEightThenSixteen) {
    TObjectList<TCounted> list;
    list.SetOwnsObjects(false);
    TCounted item(0);
    std::vector<int> capacities;
    for (int i = 0; i < 60; ++i) {
        list.Add(&item);
        if (capacities.empty() || capacities.back() != list.Capacity()) {
            capacities.push_back(list.Capacity());
        }
    }
    EXPECT_THAT(capacities, ElementsAre(4, 8, 16, 32, 48, 64));
}

TEST(ObjectListTest, InsertMovesLaterItemsAndPutReplacesWithoutFreeing) {
    int destroyed = 0;
    TCounted replaced(9, &destroyed);
    {
        TObjectList<TCounted> list;
        list.Add(new TCounted(1, &destroyed));
        list.Add(&replaced);
        list.Insert(0, new TCounted(0, &destroyed));
        list.Insert(3, new TCounted(3, &destroyed));
        EXPECT_THAT(Keys(list), ElementsAre(0, 1, 9, 3));
        list.Put(2, new TCounted(2, &destroyed));
        EXPECT_EQ(destroyed, 0);
        EXPECT_THAT(Keys(list), ElementsAre(0, 1, 2, 3));
        EXPECT_EQ(list.IndexOf(list.Get(2)), 2);
        EXPECT_EQ(list.IndexOf(&replaced), -1);
    }
    EXPECT_EQ(destroyed, 4);  // the four held items, not the one Put displaced
}

TEST(ObjectListTest, OwnershipDecidesWhatFreeAllAndDestructionFree) {
    int destroyed = 0;
    std::vector<std::unique_ptr<TCounted>> kept;
    {
        TObjectList<TCounted> view;
        view.SetOwnsObjects(false);
        for (int i = 0; i < 3; ++i) {
            kept.push_back(std::make_unique<TCounted>(i, &destroyed));
            view.Add(kept.back().get());
        }
        view.FreeAll();
        EXPECT_EQ(view.Count(), 0);
        EXPECT_EQ(view.Capacity(), 0);
        view.Add(kept[0].get());
    }
    EXPECT_EQ(destroyed, 0);

    TObjectList<TCounted> owner;
    owner.Add(new TCounted(1, &destroyed));
    owner.Add(new TCounted(2, &destroyed));
    owner.FreeAll();
    EXPECT_EQ(destroyed, 2);
}

TEST(ObjectListTest, ClearListAndLoweredCountForgetWithoutFreeing) {
    int destroyed = 0;
    TCounted a(1, &destroyed);
    TCounted b(2, &destroyed);
    TObjectList<TCounted> list;
    list.Add(&a);
    list.Add(&b);
    list.SetCount(1);
    EXPECT_THAT(Keys(list), ElementsAre(1));
    list.SetCount(3);  // new slots are empty references
    EXPECT_EQ(list.Get(1), nullptr);
    EXPECT_EQ(list.Get(2), nullptr);
    list.ClearList();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(destroyed, 0);
}

TEST(ObjectListTest, NeighbourWalksBothWaysAndEndsWithNothing) {
    TObjectList<TCounted> list;
    for (int i = 0; i < 3; ++i) {
        list.Add(new TCounted(i));
    }
    EXPECT_EQ(list.Neighbour(nullptr, ndNext), list.First());
    EXPECT_EQ(list.Neighbour(nullptr, ndPrevious), list.Last());
    EXPECT_EQ(list.Neighbour(list.Get(1), ndNext), list.Get(2));
    EXPECT_EQ(list.Neighbour(list.Get(1), ndPrevious), list.Get(0));
    EXPECT_EQ(list.Neighbour(list.Last(), ndNext), nullptr);
    EXPECT_EQ(list.Neighbour(list.First(), ndPrevious), nullptr);
    TCounted stranger(7);
    ExpectListError([&] { list.Neighbour(&stranger, ndNext); },
                    "tObject TCounted not in item list");
}

TEST(SortedObjectListTest, AcceptedDuplicatesGoBeforeTheirEquals) {
    TByKey list(dupAccept);
    std::vector<TCounted*> added;
    for (int key : {5, 1, 5, 3, 5}) {
        added.push_back(new TCounted(key));
        list.Add(added.back());
    }
    EXPECT_THAT(Keys(list), ElementsAre(1, 3, 5, 5, 5));
    // The last 5 added stands first among the fives.
    EXPECT_EQ(list.Get(2), added[4]);
    EXPECT_EQ(list.Get(3), added[2]);
    EXPECT_EQ(list.Get(4), added[0]);

    int index = -1;
    TCounted probe(5);
    EXPECT_TRUE(list.Find(&probe, index));
    EXPECT_EQ(index, 2);
    TCounted missing(4);
    EXPECT_FALSE(list.Find(&missing, index));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(list.IndexOf(&missing), -1);
    EXPECT_EQ(list.IndexOf(added[3]), 1);
}

TEST(SortedObjectListTest, IgnoredDuplicateIsNeitherStoredNorFreed) {
    int destroyed = 0;
    TByKey list(dupIgnore);
    EXPECT_EQ(list.Add(new TCounted(2, &destroyed)), 0);
    EXPECT_EQ(list.Add(new TCounted(1, &destroyed)), 0);
    auto duplicate = std::make_unique<TCounted>(2, &destroyed);
    EXPECT_EQ(list.Add(duplicate.get()), -1);
    list.Insert(0, duplicate.get());
    EXPECT_THAT(Keys(list), ElementsAre(1, 2));
    EXPECT_EQ(destroyed, 0);
}

TEST(SortedObjectListTest, RefusedDuplicateRaisesAndStaysWithTheCaller) {
    TByKey list(dupError);
    list.Add(new TCounted(1));
    list.Add(new TCounted(3));
    auto duplicate = std::make_unique<TCounted>(3);
    ExpectListError([&] { list.Add(duplicate.get()); }, "Duplicate Object index");
    EXPECT_THAT(Keys(list), ElementsAre(1, 3));
}

TEST(SortedObjectListTest, InsertIgnoresTheIndexAndPutIsRefused) {
    TByKey list(dupAccept);
    for (int key : {40, 10, 30, 20}) {
        list.Insert(0, new TCounted(key));
    }
    EXPECT_THAT(Keys(list), ElementsAre(10, 20, 30, 40));
    auto other = std::make_unique<TCounted>(0);
    for (int index : {0, 3, 99, -1}) {
        ExpectListError([&] { list.Put(index, other.get()); },
                        "Cannot <Put> an Object in a sorted list!");
    }
}

TEST(SortedObjectListTest, LargeListStaysOrdered) {
    TByKey list(dupAccept);
    std::vector<int> expected;
    for (int i = 0; i < 500; ++i) {
        const int key = (i * 7919) % 211;
        list.Add(new TCounted(key));
        expected.push_back(key);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_THAT(Keys(list), ElementsAreArray(expected));
}

}  // namespace
}  // namespace mobrel
