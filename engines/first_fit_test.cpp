// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/first_fit.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engines/ga_model_test_support.h"
#include "engines/ga_test_support.h"

namespace {

// Random bins and items; in two rounds of three some bins do not reach the
// next one's start (stale ids follow them), as after the moves of a repair:
// every bin in one, each bin by a toss in the other.
TEST(FirstFitTest, PicksTheSameBinsAsTheScanAndLaysThemEndToEnd) {
  std::mt19937 gen(7);
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    RandomCase c = MakeCase(gen, 40, 60, round % 2 == 0);
    const std::vector<Item*> all = AllItems(c);
    const ById by_id(all);
    Packing fast = PackingOf(c.bins, c.capacity);
    std::vector<std::uint32_t> starts;
    StartsOf(fast, starts);
    std::vector<std::uint32_t> gapped;
    if (round % 3 != 2) {
      std::vector<std::uint32_t> block;
      for (std::size_t k = 0; k < fast.size(); ++k) {
        starts[k] = static_cast<std::uint32_t>(block.size());
        const std::uint32_t* ids = fast.ids.data() + StartOf(fast, k);
        block.insert(block.end(), ids, ids + fast.counts[k]);
        if (round % 3 == 0 || gen() % 2 == 0) {
          block.push_back(0xdead);
          gapped.push_back(static_cast<std::uint32_t>(k));
        }
      }
      fast.ids = block;
    }
    const std::vector<std::uint32_t> ids = IdsOf(c.loose);
    FirstFitter fitter;
    fitter.Place(fast, starts, gapped, ids.data(), ids.size(),
                 by_id.sizes.data());
    std::vector<Bin> linear = c.bins;
    model::FirstFit(linear, c.loose, c.capacity);
    ASSERT_EQ(fast.ids.size(), all.size());
    for (const std::uint32_t k : fitter.placed_bins()) {
      ASSERT_EQ(starts[k], StartOf(fast, k)) << "bin " << k;
    }
    const std::vector<Bin> placed = BinsOf(fast, all);
    ASSERT_EQ(placed.size(), linear.size());
    for (std::size_t k = 0; k < placed.size(); ++k) {
      ASSERT_EQ(placed[k].items, linear[k].items) << "bin " << k;
      ASSERT_EQ(placed[k].used, linear[k].used) << "bin " << k;
    }
  }
}

TEST(FirstFitTest, FillsEarlierBinsBeforeOpeningNew) {
  Items items({{"a", 6}, {"b", 5}, {"c", 4}, {"d", 3}, {"e", 2}, {"f", 10}});
  const ById by_id(items.all());
  const std::vector<std::uint32_t> ids = IdsOf(items.all());
  Packing bins;
  bins.capacity = 10;
  std::vector<std::uint32_t> starts;
  FirstFitter().Place(bins, starts, {}, ids.data(), ids.size(),
                      by_id.sizes.data());
  EXPECT_EQ(Names(BinsOf(bins, items.all())), "a c | b d e | f | ");
  EXPECT_EQ(bins.used[0], 10);
  EXPECT_EQ(starts, (std::vector<std::uint32_t>{0, 2, 5}));
}

// Bins with too little room for any item to place lie between those with
// room; rooms exactly the size of an item, the smallest one included.
TEST(FirstFitTest, BinsWithRoomForExactlyTheItemTakeIt) {
  struct Case {
    std::vector<double> fills;  // One item per bin, named b0, b1, ...
    std::vector<std::pair<std::string, double>> loose;
    std::string expected;
  };
  const Case cases[] = {
      {{9, 7, 8}, {{"x", 3}, {"y", 2}}, "b0 | b1 x | b2 y | "},
      {{7.5, 9, 7}, {{"x", 2.5}}, "b0 x | b1 | b2 | "},
      {{9.5, 8, 9.75},
       {{"x", 6}, {"y", 2}, {"z", 0.5}},
       "b0 z | b1 y | b2 | x | "},
      {{9.5, 9.5}, {{"x", 0.75}}, "b0 | b1 | x | "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    std::vector<std::pair<std::string, double>> sized;
    for (std::size_t k = 0; k < c.fills.size(); ++k) {
      sized.push_back({"b" + std::to_string(k), c.fills[k]});
    }
    sized.insert(sized.end(), c.loose.begin(), c.loose.end());
    Items items(sized);
    std::vector<Bin> bins;
    for (std::size_t k = 0; k < c.fills.size(); ++k) {
      bins.push_back(MakeBin(10, {items.all()[k]}));
    }
    Packing packing = PackingOf(bins, 10);
    std::vector<std::uint32_t> starts;
    StartsOf(packing, starts);
    const std::vector<Item*> loose(items.all().begin() + c.fills.size(),
                                   items.all().end());
    const std::vector<std::uint32_t> ids = IdsOf(loose);
    const ById by_id(items.all());
    FirstFitter().Place(packing, starts, {}, ids.data(), ids.size(),
                        by_id.sizes.data());
    EXPECT_EQ(Names(packing, items.all()), c.expected);
  }
}

}  // namespace
