// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/loose_items.h"

#include <algorithm>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engines/ga_test_support.h"

namespace {

// Erases the taken positions, then inserts each given item ahead of the
// first item not larger than it: the exchange spelled out step by step.
std::vector<Item*> ExchangeOneByOne(std::vector<Item*> items,
                                    const std::vector<std::size_t>& taken,
                                    const std::vector<Item*>& given) {
  for (std::size_t k = taken.size(); k-- > 0;) {
    items.erase(items.begin() + taken[k]);
  }
  for (Item* item : given) LinearInsert(items, item);
  return items;
}

// Sizes from a few values, so that ties with the given items are common.
TEST(LooseItemsTest, ExchangeMatchesErasingAndInsertingOneByOne) {
  std::mt19937 gen(21);
  RandomCase store;
  for (int k = 0; k < 400; ++k) {
    store.NewItem(std::uniform_int_distribution<int>(1, 8)(gen));
  }
  const std::vector<Item*> pool = AllItems(store);
  for (int round = 0; round < 3000; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::vector<Item*> shuffled = pool;
    std::shuffle(shuffled.begin(), shuffled.end(), gen);
    const std::size_t n =
        std::uniform_int_distribution<std::size_t>(0, 12)(gen);
    std::vector<Item*> before(shuffled.begin(), shuffled.begin() + n);
    std::stable_sort(before.begin(), before.end(), BySizeDescending);
    const std::size_t taken_count = std::uniform_int_distribution<std::size_t>(
        0, std::min<std::size_t>(2, n))(gen);
    std::vector<std::size_t> taken;
    for (std::size_t k = 0; k < n; ++k) taken.push_back(k);
    std::shuffle(taken.begin(), taken.end(), gen);
    taken.resize(taken_count);
    std::sort(taken.begin(), taken.end());
    const std::size_t given_count =
        std::uniform_int_distribution<std::size_t>(0, 3)(gen);
    const std::vector<Item*> given(shuffled.begin() + n,
                                   shuffled.begin() + n + given_count);

    LooseItems loose(before);
    loose.Exchange(taken.data(), taken.size(), given.data(), given.size());
    ASSERT_EQ(Names(loose.items()),
              Names(ExchangeOneByOne(before, taken, given)));
    // The sizes the searches read follow their items.
    for (std::size_t k = 0; k < loose.size(); ++k) {
      ASSERT_EQ(loose.SizeAt(k), loose[k]->size) << k;
    }
  }
}

TEST(LooseItemsTest, CountWhileBisectsASortedList) {
  RandomCase store;
  LooseItems loose;
  for (double size : {9, 7, 7, 5, 3, 3, 1}) loose.Append(store.NewItem(size));
  auto larger_than = [](double x) { return [x](double f) { return f > x; }; };
  EXPECT_EQ(loose.CountWhile(0, loose.size(), larger_than(7)), 1u);
  EXPECT_EQ(loose.CountWhile(0, loose.size(), larger_than(6)), 3u);
  EXPECT_EQ(loose.CountWhile(0, loose.size(), larger_than(0)), 7u);
  EXPECT_EQ(loose.CountWhile(0, loose.size(), larger_than(9)), 0u);
  // A range that starts later counts from the list's start.
  EXPECT_EQ(loose.CountWhile(2, loose.size(), larger_than(4)), 4u);
}

TEST(LooseItemsTest, SortPutsTheLargestFirst) {
  RandomCase store;
  LooseItems loose;
  for (double size : {3, 9, 1, 7, 7, 5}) loose.Append(store.NewItem(size));
  loose.Sort();
  std::vector<double> sizes;
  for (std::size_t k = 0; k < loose.size(); ++k)
    sizes.push_back(loose.SizeAt(k));
  EXPECT_EQ(sizes, (std::vector<double>{9, 7, 7, 5, 3, 1}));
}

// Equal sizes keep the order they had, whatever the standard library.
TEST(LooseItemsTest, SortKeepsEqualSizesInTheirOrder) {
  Items store({{"a", 5}, {"b", 3}, {"c", 5}, {"d", 3}, {"e", 9}, {"f", 5}});
  LooseItems loose;
  for (const char* name : {"f", "a", "d", "e", "c", "b"}) {
    loose.Append(store[name]);
  }
  loose.Sort();
  EXPECT_EQ(Names(loose.items()), "e f a c d b ");
}

}  // namespace
