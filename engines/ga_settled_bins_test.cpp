// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_settled_bins.h"

#include <algorithm>
#include <cmath>
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

// How a pass sees a packing of the one bin `bin`: whether it passes the bin
// over, and the draws it owes for it if so.
struct Verdict {
  bool settled;
  std::uint64_t owed;
};

Verdict Judge(const Bin& bin, const LooseItems& loose,
              const std::vector<Item*>& all) {
  const Packing packing = PackingOf({bin}, bin.capacity);
  std::vector<std::uint32_t> starts;
  StartsOf(packing, starts);
  const ById by_id(all);
  SettledBins settled;
  settled.Reset(packing, starts, by_id.sizes.data());
  const LooseReach reach(loose);
  OwedDraws owed;
  const std::size_t open =
      settled.NextOpen(0, reach, packing.counts.data(), owed);
  return {open == 1, owed.For(reach)};
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
    const Verdict verdict = Judge(bin, loose, all);
    if (!verdict.settled) {
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
      skipping.Skip(verdict.owed);
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
      // Kept as floats, the sizes below would round to the same key.
      {"a loose item larger than the only item by less than a float's step",
       {1},
       2,
       {1 + 0x1p-40}},
      {"a loose item as large as a pair that no float holds",
       {0.1, 0.2},
       0.1 + 0.2,
       {0.1 + 0.2}},
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
    EXPECT_FALSE(Judge(bin, loose, items.all()).settled);
    // And the move does trade.
    EngineDraws draws(1);
    EXPECT_TRUE(RunMoves(bin, loose, items.all(), draws));
  }
}

// A pass stops at the first open bin, owes the draws of the settled ones
// before it, and sees a bin anew once its keys are worked out again.
TEST(SettledBinsTest, StopsAtTheFirstOpenBinAndSeesChanges) {
  const std::vector<double> sizes = {5, 5, 2, 4, 4, 4, 2, 2, 2, 6, 1};
  std::vector<std::pair<std::string, double>> sized;
  for (double size : sizes)
    sized.emplace_back(std::to_string(sized.size()), size);
  const Items items(sized);
  const std::uint32_t full[] = {0, 1}, small[] = {2}, over[] = {3, 4, 5},
                      twos[] = {6, 7, 8};
  Packing packing;
  packing.capacity = 10;
  packing.AddBin(full, 2, 10);  // No room, pair 10.
  packing.AddBin(small, 1, 2);  // Room, item 2.
  packing.AddBin(over, 3, 12);  // No room, pair 8, triple 12.
  packing.AddBin(twos, 3, 6);   // Room, item 2.
  std::vector<std::uint32_t> starts;
  StartsOf(packing, starts);
  LooseItems loose(items.all());
  loose.Append(9);  // 6: the largest two add up to 7.
  loose.Append(10);
  const LooseReach reach(loose);
  SettledBins settled;
  settled.Reset(packing, starts, sizes.data());
  struct Step {
    std::size_t from, open;
    std::uint64_t owed;
  };
  // Bin 0 is settled and owes 1 + 2 draws; bin 1 takes the 6 for its 2.
  // Bin 2 is settled and owes 1 + 2 + 3 draws; bin 3 is open.
  for (const Step& step : {Step{0, 1, 3}, Step{2, 3, 6}}) {
    OwedDraws owed;
    EXPECT_EQ(settled.NextOpen(step.from, reach, packing.counts.data(), owed),
              step.open);
    EXPECT_EQ(owed.For(reach), step.owed);
  }
  // Bin 1 full with its 2: nothing loose is larger, and it is settled.
  packing.used[1] = 10;
  settled.Update(1, packing, starts, sizes.data());
  OwedDraws owed;
  EXPECT_EQ(settled.NextOpen(0, reach, packing.counts.data(), owed), 3u);
  EXPECT_EQ(owed.For(reach), 3u + 1u + 6u);
}

// Many bins, few of them open to a few loose items: the search passes over
// blocks of settled bins at once, and must stop and owe as a look at one
// bin after the other does.
TEST(SettledBinsTest, NextOpenFollowsTheBinsOneByOne) {
  std::mt19937 gen(23);
  for (unsigned round = 0; round < 200; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const RandomCase c = MakeCase(gen, 300, 3, false);
    const std::vector<Item*> all = AllItems(c);
    LooseItems loose(all);
    for (Item* item : c.loose) loose.Append(IdOf(item));
    const Packing packing = PackingOf(c.bins, c.capacity);
    std::vector<std::uint32_t> starts;
    StartsOf(packing, starts);
    SettledBins settled;
    settled.Reset(packing, starts, ById(all).sizes.data());
    const LooseReach reach(loose);
    for (std::size_t from = 0; from <= packing.size(); from += 1 + gen() % 9) {
      OwedDraws owed, expected_owed;
      std::size_t expected = from;
      while (expected < packing.size() && !settled.IsOpen(expected, reach)) {
        expected_owed.Add(packing.counts[expected++]);
      }
      if (reach.count == 0) expected = packing.size();
      ASSERT_EQ(settled.NextOpen(from, reach, packing.counts.data(), owed),
                expected)
          << "from " << from;
      if (reach.count == 0) continue;
      ASSERT_EQ(owed.with_two_loose, expected_owed.with_two_loose);
      ASSERT_EQ(owed.triples, expected_owed.triples);
    }
  }
}

TEST(NextAboveTest, IsTheLeastFloatAbove) {
  const float kMax = std::numeric_limits<float>::max();
  const float kTiny = std::numeric_limits<float>::denorm_min();
  const float kFloatInf = std::numeric_limits<float>::infinity();
  struct Case {
    float x, above;
  };
  const Case cases[] = {
      {0, kTiny},        {-0.0f, kTiny},
      {1, 1 + 0x1p-23f}, {0x1p-149f, 0x1p-148f},
      {kMax, kFloatInf}, {kFloatInf, kFloatInf},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NextAbove(c.x), c.above) << c.x;
    EXPECT_EQ(NextAbove(c.x), std::nextafter(c.x, kFloatInf)) << c.x;
  }
}

// Rounded to a float each way: never past the double, and the double itself
// where it is a float.
TEST(RoundedTest, BracketsTheDouble) {
  const double kFloatMax = std::numeric_limits<float>::max();
  const float kFloatInf = std::numeric_limits<float>::infinity();
  struct Case {
    double x;
    float down, up;
  };
  const Case cases[] = {
      {0, 0, 0},
      {97, 97, 97},
      {0.1, 0.099999994f, 0.1f},
      {-0.1, -0.1f, -0.099999994f},
      {1 + 0x1p-40, 1, 1 + 0x1p-23f},
      {0x1p-160, 0, 0x1p-149f},
      {1e300, std::numeric_limits<float>::max(), kFloatInf},
      {kFloatMax, std::numeric_limits<float>::max(),
       std::numeric_limits<float>::max()},
      {kInf, kFloatInf, kFloatInf},
      {-kInf, -kFloatInf, -kFloatInf},
      {-1e300, -kFloatInf, -std::numeric_limits<float>::max()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RoundedDown(c.x), c.down) << c.x;
    EXPECT_EQ(RoundedUp(c.x), c.up) << c.x;
  }
  EXPECT_TRUE(std::isnan(RoundedDown(std::nan(""))));
}

}  // namespace
