// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/best_fit_room_tree.h"

#include <cstdint>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Model = std::set<std::pair<double, std::uint32_t>>;

std::uint32_t FirstOf(const Model& model, Model::const_iterator it) {
  return it == model.end() ? RoomTree::kNone : it->second;
}

// Random entries, removals and re-entries with few distinct rooms (many
// ties, decided by position) and with fractional rooms; after every change
// both lookups agree with an ordered set of (room, position) pairs.
TEST(RoomTreeTest, LookupsMatchAnOrderedSet) {
  std::mt19937 random(5);
  for (int distinct : {3, 50, 0}) {
    RoomTree tree;
    Model model;
    std::vector<double> room_of;  // The room of each entered bin; -1 if out.
    auto draw_room = [&] {
      if (distinct == 0) return std::uniform_real_distribution<>(0, 10)(random);
      return double(std::uniform_int_distribution<>(1, distinct)(random));
    };
    for (int step = 0; step < 20000; ++step) {
      const int action = std::uniform_int_distribution<>(0, 2)(random);
      if (action == 0 || model.empty()) {
        // A new bin, or one taken out earlier, comes in.
        std::uint32_t bin = static_cast<std::uint32_t>(room_of.size());
        if (!room_of.empty() && random() % 2 == 0) {
          bin = std::uniform_int_distribution<std::uint32_t>(
              0, static_cast<std::uint32_t>(room_of.size() - 1))(random);
        }
        if (bin == room_of.size()) room_of.push_back(-1);
        if (room_of[bin] >= 0) continue;
        room_of[bin] = draw_room();
        tree.Insert(bin, room_of[bin]);
        model.insert({room_of[bin], bin});
      } else {
        // A bin in the tree goes out, and maybe back in with less room, as
        // when Best Fit adds an item to it.
        auto it = model.begin();
        std::advance(it, random() % model.size());
        const std::uint32_t bin = it->second;
        tree.Erase(bin);
        model.erase(it);
        room_of[bin] = -1;
        if (action == 2) {
          room_of[bin] = draw_room();
          tree.Insert(bin, room_of[bin]);
          model.insert({room_of[bin], bin});
        }
      }
      const double probe = draw_room();
      ASSERT_EQ(tree.FirstAtLeast(probe),
                FirstOf(model, model.lower_bound({probe, 0})))
          << "step " << step;
      ASSERT_EQ(tree.FirstAbove(probe),
                FirstOf(model, model.upper_bound({probe, RoomTree::kNone})))
          << "step " << step;
    }
  }
}

TEST(RoomTreeTest, EmptyTreeFindsNothing) {
  RoomTree tree;
  EXPECT_EQ(tree.FirstAtLeast(0), RoomTree::kNone);
  tree.Insert(0, 5);
  tree.Erase(0);
  EXPECT_EQ(tree.FirstAbove(-1), RoomTree::kNone);
}

// Bins entered in the order Best Fit opens them with ever smaller rooms (a
// sorted sequence, the worst case of a plain search tree): a million of
// them must not take the recursion deep enough to overflow the stack.
TEST(RoomTreeTest, SortedEntriesStayShallow) {
  RoomTree tree;
  constexpr std::uint32_t kBins = 1000000;
  for (std::uint32_t bin = 0; bin < kBins; ++bin) {
    tree.Insert(bin, static_cast<double>(kBins - bin));
  }
  EXPECT_EQ(tree.FirstAtLeast(1.5), kBins - 2);
  for (std::uint32_t bin = 0; bin < kBins; bin += 2) tree.Erase(bin);
  EXPECT_EQ(tree.FirstAtLeast(0), kBins - 1);
  EXPECT_EQ(tree.FirstAbove(kBins - 1.0), RoomTree::kNone);
}

}  // namespace
