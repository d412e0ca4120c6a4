// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_settled_bins.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engines/ga_local_search.h"
#include "engines/ga_random.h"
#include "engines/ga_test_support.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Sizes whose sums round differently depending on the order they are added
// in: 1e16 + 1 rounds back to 1e16, while 1 + 1 + 1e16 does not.
const double kSizes[] = {1e16, 1, 1, 2, 3, 0.1, 0.2, 0.3, 7, 0.7};

std::vector<double> RandomBinSizes(std::mt19937& gen) {
  std::vector<double> sizes(std::uniform_int_distribution<int>(0, 6)(gen));
  for (double& size : sizes) {
    size = kSizes[std::uniform_int_distribution<int>(0, 9)(gen)];
  }
  return sizes;
}

BinFloors FloorsOfSizes(const std::vector<double>& sizes) {
  std::vector<std::uint32_t> ids(sizes.size());
  for (std::uint32_t i = 0; i < ids.size(); ++i) ids[i] = i;
  return FloorsOf(ids.data(), static_cast<std::uint32_t>(ids.size()),
                  sizes.data());
}

TEST(BinFloorsTest, HandWorkedBins) {
  struct Case {
    std::vector<double> sizes;
    BinFloors floors;
  };
  const Case cases[] = {
      {{}, {kInf, kInf, kInf}},
      {{4}, {4, kInf, kInf}},
      {{4, 2}, {2, 6, kInf}},
      {{5, 1, 4, 2, 3}, {1, 3, 6}},
      // Added in this order the three sum to 1e16 exactly, below the 1e16 + 2
      // that adding the two ones first gives.
      {{1e16, 1, 1}, {1, 2, 1e16}},
  };
  for (const Case& c : cases) {
    const BinFloors floors = FloorsOfSizes(c.sizes);
    EXPECT_EQ(floors.item, c.floors.item);
    EXPECT_EQ(floors.pair, c.floors.pair);
    EXPECT_EQ(floors.triple, c.floors.triple);
  }
}

TEST(BinFloorsTest, NoDrawnSumFallsBelowTheFloors) {
  std::mt19937 gen(5);
  for (int round = 0; round < 2000; ++round) {
    const std::vector<double> s = RandomBinSizes(gen);
    const BinFloors floors = FloorsOfSizes(s);
    const std::size_t n = s.size();
    // Positions in increasing order, as the moves draw and add them.
    double smallest_pair = kInf;
    for (std::size_t i = 0; i < n; ++i) {
      ASSERT_LE(floors.item, s[i]);
      for (std::size_t j = i + 1; j < n; ++j) {
        smallest_pair = std::min(smallest_pair, s[i] + s[j]);
        for (std::size_t k = j + 1; k < n; ++k) {
          ASSERT_LE(floors.triple, s[i] + s[j] + s[k]) << "round " << round;
        }
      }
    }
    // The pair floor is the smallest pair itself: addition of two commutes.
    ASSERT_EQ(floors.pair, smallest_pair);
  }
}

// The three moves on one bin, in the order a pass tries them.
bool RunMoves(Bin& bin, LooseItems& loose, const std::vector<Item*>& all,
              EngineDraws& draws) {
  Packing packing = PackingOf({bin}, bin.capacity);
  const ById by_id(all);
  const BinSlice slice{packing.ids.data(), packing.counts[0], packing.used[0],
                       packing.capacity, by_id.sizes.data()};
  bool changed = false;
  if (slice.count >= 3) changed |= ReplaceThreeByTwo(slice, loose, draws);
  if (slice.count >= 2) changed |= ReplaceTwoByOne(slice, loose, draws);
  if (slice.count >= 1) changed |= ReplaceOne(slice, loose, draws);
  bin = BinsOf(packing, all)[0];
  return changed;
}

// A bin the settling test passes over must be one that no draw changes, and
// the draws taken for it must be the moves' own.
TEST(SettledBinsTest, SettledBinsStayAsTheyAreWhateverTheDraws) {
  std::mt19937 gen(17);
  int settled = 0;
  int unsettled = 0;
  for (unsigned round = 0; round < 3000; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const RandomCase c = MakeCase(gen, 1, 4, false);
    const std::vector<Item*> all = AllItems(c);
    LooseItems loose(all);
    for (Item* item : c.loose) loose.Append(IdOf(item));
    const Bin& bin = c.bins[0];
    const ById by_id(all);
    std::vector<std::uint32_t> ids;
    for (const Item* item : bin.items) ids.push_back(IdOf(item));
    const BinFloors floors = FloorsOf(
        ids.data(), static_cast<std::uint32_t>(ids.size()), by_id.sizes.data());
    const LooseReach reach(loose);
    const std::uint32_t count = static_cast<std::uint32_t>(ids.size());
    if (!reach.Settles(floors, count, bin.room())) {
      ++unsettled;
      continue;
    }
    ++settled;
    for (unsigned seed = 1; seed <= 20; ++seed) {
      Bin moved = bin;
      LooseItems moved_loose = loose;
      EngineDraws moving(seed);
      ASSERT_FALSE(RunMoves(moved, moved_loose, all, moving));
      EngineDraws skipping(seed);
      skipping.Skip(static_cast<std::uint64_t>(reach.DrawsOf(count)));
      ASSERT_EQ(moving.Draw(), skipping.Draw()) << "seed " << seed;
    }
  }
  // Both answers must have come up often for the check to mean anything.
  EXPECT_GT(settled, 300);
  EXPECT_GT(unsettled, 300);
}

// Bins that a move can change only through an exact equality: the settling
// test must not pass them over.
TEST(SettledBinsTest, ExactSumsKeepABinUnsettled) {
  struct Case {
    const char* what;
    std::vector<double> bin;
    double capacity;
    std::vector<double> loose;
  };
  const Case cases[] = {
      {"a loose item as large as the pair of a full bin", {2, 3}, 5, {5}},
      {"two loose items as large as the triple of a full bin",
       {1, 2, 3},
       6,
       {4, 2}},
      {"a loose item just larger than the only item, with little room",
       {2},
       2.25,
       {2.25}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::pair<std::string, double>> sized;
    for (double size : c.bin)
      sized.emplace_back("b" + std::to_string(sized.size()), size);
    for (double size : c.loose)
      sized.emplace_back("l" + std::to_string(sized.size()), size);
    const Items items(sized);
    LooseItems loose(items.all());
    std::vector<Item*> in_bin;
    for (Item* item : items.all()) {
      if (item->name[0] == 'l')
        loose.Append(IdOf(item));
      else
        in_bin.push_back(item);
    }
    Bin bin = MakeBin(c.capacity, in_bin);
    const ById by_id(items.all());
    std::vector<std::uint32_t> ids;
    for (const Item* item : in_bin) ids.push_back(IdOf(item));
    const BinFloors floors = FloorsOf(
        ids.data(), static_cast<std::uint32_t>(ids.size()), by_id.sizes.data());
    EXPECT_FALSE(LooseReach(loose).Settles(
        floors, static_cast<std::uint32_t>(ids.size()), bin.room()));
    // And the move does trade.
    EngineDraws draws(1);
    EXPECT_TRUE(RunMoves(bin, loose, items.all(), draws));
  }
}

TEST(BinFloorTableTest, FloorsAreWorkedOutAgainForANewRepairAndAfterAChange) {
  const double sizes[] = {5, 1, 4};
  std::uint32_t ids[] = {0, 1};
  BinFloorTable table;
  table.Reset(1);
  EXPECT_EQ(table.Get(0, ids, 2, sizes).item, 1);
  ids[1] = 2;                                      // The bin now holds 5 and 4.
  EXPECT_EQ(table.Get(0, ids, 2, sizes).item, 1);  // Kept within a repair.
  table.Forget(0);
  EXPECT_EQ(table.Get(0, ids, 2, sizes).item, 4);
  ids[0] = 1;  // 1 and 4.
  table.Reset(1);
  EXPECT_EQ(table.Get(0, ids, 2, sizes).pair, 5);
}

}  // namespace
