// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/loose_items.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engines/ga_model_test_support.h"
#include "engines/ga_test_support.h"
#include "engines/rung_set.h"

namespace {

// The loose list spelled out as a plain vector, largest first.
struct PlainList {
  std::vector<Item*> items;

  // Behind the items of its size.
  void Append(Item* item) {
    std::size_t k = 0;
    while (k < items.size() && items[k]->size >= item->size) ++k;
    items.insert(items.begin() + k, item);
  }
  // The first item past `skip` whose size is larger than `out` and fits
  // `room` in its place; its position or items.size().
  std::size_t FirstFit(std::size_t skip, double out, double room) const {
    for (std::size_t k = skip; k < items.size(); ++k) {
      const double f = items[k]->size;
      if (!(f > out)) break;
      if (room >= f - out) return k;
    }
    return items.size();
  }
};

// Random appends, gives back and takes of the first fitting item, on a list
// and on a plain vector: the same items in the same order, and the same item
// found, all along. Sizes come from a few values, so that ties are common.
TEST(LooseItemsTest, FollowsAPlainSortedVector) {
  std::mt19937 gen(21);
  RandomCase store;
  for (int k = 0; k < 300; ++k) {
    store.NewItem(std::uniform_int_distribution<int>(1, 8)(gen) * 0.5);
  }
  std::vector<Item*> outside = AllItems(store);
  LooseItems loose(outside);
  PlainList plain;
  std::shuffle(outside.begin(), outside.end(), gen);
  int found = 0;
  for (int step = 0; step < 20000; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    const int what = std::uniform_int_distribution<int>(0, 3)(gen);
    if (what <= 1 && !outside.empty()) {
      Item* item = outside.back();
      outside.pop_back();
      if (what == 0) {
        loose.Append(IdOf(item));
        plain.Append(item);
      } else {
        loose.GiveBack(IdOf(item));
        model::InsertBySize(plain.items, item);
      }
    } else {
      const std::size_t skip = what == 3;
      const double out = std::uniform_int_distribution<int>(0, 9)(gen) * 0.5;
      const double room = std::uniform_int_distribution<int>(-1, 6)(gen) * 0.5;
      const LooseItems::Rung rung = loose.FirstFit(
          skip, [out](double f) { return f > out; },
          [out, room](double f) { return room >= f - out; });
      std::size_t k = plain.FirstFit(skip, out, room);
      ASSERT_EQ(rung == LooseItems::kNone, k == plain.items.size());
      if (rung != LooseItems::kNone) {
        // Past the first item, its rung's second item is taken after it.
        if (skip == 1 && rung == loose.FirstRung()) {
          ASSERT_EQ(loose.Take(rung), IdOf(plain.items[0]));
          plain.items.erase(plain.items.begin());
          --k;
        }
        ASSERT_EQ(loose.Take(rung), IdOf(plain.items[k]));
        outside.push_back(plain.items[k]);
        plain.items.erase(plain.items.begin() + k);
        ++found;
      }
    }
    ASSERT_EQ(loose.items(), plain.items);
    ASSERT_EQ(loose.size(), plain.items.size());
    if (!plain.items.empty()) {
      ASSERT_EQ(loose.FirstSize(), plain.items[0]->size);
    }
    if (plain.items.size() >= 2) {
      ASSERT_EQ(loose.SecondSize(), plain.items[1]->size);
    }
  }
  EXPECT_GT(found, 1000);
  loose.clear();
  EXPECT_TRUE(loose.empty());
  EXPECT_TRUE(loose.items().empty());
}

TEST(LooseItemsTest, KnowsTheSmallestSizes) {
  Items items({{"a", 4}, {"b", 1.5}, {"c", 9}});
  LooseItems loose(items.all());
  EXPECT_EQ(loose.smallest(), 1.5);
  EXPECT_EQ(loose.smallest_pair(), 3);
  EXPECT_EQ(loose.smallest_triple(), 4.5);
  EXPECT_TRUE(loose.empty());
}

TEST(LooseItemsTest, UndecidedTestsFindNothing) {
  Items items({{"a", 4}, {"b", 2}});
  LooseItems loose(items.all());
  loose.Append(IdOf(items["a"]));
  loose.Append(IdOf(items["b"]));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(loose.FirstFit(
                0, [](double f) { return f > 1; },
                [nan](double f) { return nan >= f - 1; }),
            LooseItems::kNone);
}

// Inserts, erases and searches against std::set, across several levels.
TEST(RungSetTest, FollowsAnOrderedSet) {
  for (std::uint32_t bound : {1u, 63u, 64u, 65u, 5000u, 300000u}) {
    SCOPED_TRACE(bound);
    std::mt19937 gen(bound);
    std::uniform_int_distribution<std::uint32_t> any(0, bound - 1);
    RungSet rungs(bound);
    std::set<std::uint32_t> plain;
    for (int step = 0; step < 20000; ++step) {
      const std::uint32_t rung = any(gen);
      if (gen() % 3 == 0) {
        rungs.Erase(rung);
        plain.erase(rung);
      } else {
        rungs.Insert(rung);
        plain.insert(rung);
      }
      const std::uint32_t from = any(gen);
      const auto next = plain.lower_bound(from);
      ASSERT_EQ(rungs.FindFrom(from),
                next == plain.end() ? RungSet::kNone : *next);
      ASSERT_EQ(rungs.Contains(rung), plain.count(rung) == 1);
    }
    // Sparse: a lone member far from the search's start.
    for (std::uint32_t rung : plain) rungs.Erase(rung);
    EXPECT_EQ(rungs.First(), RungSet::kNone);
    rungs.Insert(bound - 1);
    EXPECT_EQ(rungs.First(), bound - 1);
    EXPECT_EQ(rungs.FindFrom(bound - 1), bound - 1);
  }
}

// Appended items of equal size keep the order they came in, whatever the
// standard library; one given back goes ahead of them.
TEST(LooseItemsTest, EqualSizesKeepTheirOrder) {
  Items store({{"a", 5}, {"b", 3}, {"c", 5}, {"d", 3}, {"e", 9}, {"f", 5}});
  LooseItems loose(store.all());
  for (const char* name : {"f", "a", "d", "e", "c"}) {
    loose.Append(IdOf(store[name]));
  }
  loose.GiveBack(IdOf(store["b"]));
  EXPECT_EQ(Names(loose.items()), "e f a c b d ");
}

}  // namespace
