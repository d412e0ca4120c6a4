// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/item_list.h"

#include <cstddef>
#include <random>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

// The list must hold exactly what a plain vector would, with every size and id
// copy matching its item, across the move from inline storage to the heap and
// back through copies and moves between lists in either state.
void ExpectSame(const ItemList& list, const std::vector<Item*>& model) {
  ASSERT_EQ(list.size(), model.size());
  for (std::size_t k = 0; k < model.size(); ++k) {
    ASSERT_EQ(list[k], model[k]) << "at " << k;
    ASSERT_EQ(list.SizeAt(k), model[k]->size) << "at " << k;
    ASSERT_EQ(list.IdAt(k), model[k]->id) << "at " << k;
  }
}

TEST(ItemListTest, BehavesAsAVectorOfItemsWithTheirSizes) {
  std::vector<Item> items(40);
  for (std::size_t k = 0; k < items.size(); ++k) {
    items[k].size = 1.5 * static_cast<double>(k) + 0.25;
    items[k].id = k;
  }
  std::mt19937 gen(7);
  auto pick = [&](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(gen);
  };
  // Two lists and their models, exercised by random operations; lengths
  // wander across the inline limit many times.
  ItemList lists[2];
  std::vector<Item*> models[2];
  for (int step = 0; step < 20000; ++step) {
    const std::size_t w = pick(2);
    ItemList& list = lists[w];
    std::vector<Item*>& model = models[w];
    switch (pick(model.empty() ? 3 : 7)) {
      case 0:
      case 1:
        if (model.size() < 12) {
          Item* item = &items[pick(items.size())];
          list.push_back(item);
          model.push_back(item);
        }
        break;
      case 2:  // Copy the other list over this one.
        list = lists[1 - w];
        model = models[1 - w];
        break;
      case 3: {
        const std::size_t k = pick(model.size());
        list.erase(list.begin() + k);
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(k));
        break;
      }
      case 4: {
        const std::size_t k = pick(model.size());
        Item* item = &items[pick(items.size())];
        list.Set(k, item);
        model[k] = item;
        break;
      }
      case 5: {  // Move out and back in.
        ItemList moved(std::move(list));
        EXPECT_TRUE(list.empty());
        list = std::move(moved);
        break;
      }
      case 6: {
        const ItemList copy(list);
        ASSERT_TRUE(copy == list);
        list.erase(list.end() - 1);
        model.pop_back();
        ASSERT_EQ(copy.size(), list.size() + 1);
        break;
      }
    }
    ExpectSame(list, model);
  }
}

}  // namespace
