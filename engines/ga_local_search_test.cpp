// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_local_search.h"

#include <algorithm>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engines/ga_model_test_support.h"
#include "engines/ga_random.h"
#include "engines/ga_test_support.h"

namespace {

// The loose items of `c` in a list for all of the case's items, so that it
// knows their smallest size and the moves' early refusals come into play.
LooseItems LooseOf(const RandomCase& c) {
  LooseItems loose(AllItems(c));
  for (Item* item : c.loose) loose.Append(IdOf(item));
  return loose;
}

// Runs `move` on a block copy of `bin` and puts the result back into `bin`.
template <typename Move>
bool OnBlock(Move move, Bin& bin, LooseItems& loose,
             const std::vector<Item*>& all, EngineDraws& draws) {
  Packing packing = PackingOf({bin}, bin.capacity);
  const ById by_id(all);
  const BinSlice slice{packing.ids.data(), packing.counts[0], packing.used[0],
                       packing.capacity, by_id.sizes.data()};
  const bool changed = move(slice, loose, draws);
  bin = BinsOf(packing, all)[0];
  return changed;
}

// Runs the engine's move and the model's on copies of one random bin and its
// loose items from the same seed; they must agree on everything, including
// how many draws they took.
template <typename Fast, typename Model>
void ExpectSameMove(Fast fast, Model model, std::size_t min_items) {
  std::mt19937 gen(12345);
  int changes = 0;
  for (unsigned round = 0; round < 3000; ++round) {
    RandomCase c = MakeCase(gen, 1, 10, true);
    if (c.bins[0].items.size() < min_items) continue;
    SCOPED_TRACE("round " + std::to_string(round));
    Bin fast_bin = c.bins[0], model_bin = c.bins[0];
    LooseItems fast_loose = LooseOf(c);
    std::vector<Item*> model_loose = c.loose;
    EngineDraws fast_draws(round);
    model::Draws model_draws(round);
    const bool fast_changed =
        OnBlock(fast, fast_bin, fast_loose, AllItems(c), fast_draws);
    const bool model_changed = model(model_bin, model_loose, model_draws);
    ASSERT_EQ(fast_changed, model_changed);
    ASSERT_EQ(fast_draws.Draw(), model_draws.Draw());
    ASSERT_EQ(fast_bin.items, model_bin.items);
    ASSERT_EQ(fast_bin.used, model_bin.used);  // Bit for bit.
    ASSERT_EQ(fast_loose.items(), model_loose);
    changes += fast_changed;
  }
  // The comparison only means something if both outcomes were exercised.
  EXPECT_GT(changes, 100);
}

TEST(ReplaceMovesTest, ReplaceOneMatchesTheModel) {
  ExpectSameMove(ReplaceOne, model::ReplaceOne, 1);
}

TEST(ReplaceMovesTest, ReplaceTwoByOneMatchesTheModel) {
  ExpectSameMove(ReplaceTwoByOne, model::ReplaceTwoByOne, 2);
}

TEST(ReplaceMovesTest, ReplaceThreeByTwoMatchesTheModel) {
  ExpectSameMove(ReplaceThreeByTwo, model::ReplaceThreeByTwo, 3);
}

// Every other round has many bins, so that a pass over them finds open bins
// well ahead of the one it visits while the loose items change.
TEST(ReplaceMovesTest, ImproveMatchesTheModel) {
  std::mt19937 gen(99);
  for (unsigned round = 0; round < 300; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const bool many = round % 2 == 1;
    RandomCase c = MakeCase(gen, many ? 120 : 12, many ? 40 : 15, false);
    std::vector<Bin> expected = c.bins;
    Packing block = PackingOf(c.bins, c.capacity);
    std::vector<std::uint32_t> starts;
    StartsOf(block, starts);
    LooseItems fast_loose = LooseOf(c);
    std::vector<Item*> model_loose = c.loose;
    const std::vector<Item*> all = AllItems(c);
    EngineDraws fast_draws(round);
    model::Draws model_draws(round);
    SettledBins settled;
    settled.Reset(block, starts, ById(all).sizes.data());
    const std::vector<std::uint32_t> counts = block.counts;
    std::vector<std::uint32_t> shrunk;
    Improve(block, starts, fast_loose, ById(all).sizes.data(), fast_draws,
            settled, shrunk);
    std::vector<std::uint32_t> fewer;  // Bins left with fewer items.
    for (std::size_t k = 0; k < counts.size(); ++k) {
      if (block.counts[k] < counts[k]) {
        fewer.push_back(static_cast<std::uint32_t>(k));
      }
    }
    ASSERT_EQ(shrunk, fewer);
    const std::vector<Bin> fast = BinsOf(block, all, &starts);
    model::Improve(expected, model_loose, model_draws);
    ASSERT_EQ(fast_draws.Draw(), model_draws.Draw());
    ASSERT_EQ(fast_loose.items(), model_loose);
    for (std::size_t k = 0; k < fast.size(); ++k) {
      ASSERT_EQ(fast[k].items, expected[k].items) << "bin " << k;
      ASSERT_EQ(fast[k].used, expected[k].used) << "bin " << k;
    }
  }
}

// Hand-made bins where every draw leads to the same outcome, so the cases
// hold for any seed.
struct MoveCase {
  const char* name;
  bool (*move)(BinSlice, LooseItems&, EngineDraws&);
  std::vector<const char*> bin;  // Item names, in bin order.
  double capacity;
  std::vector<const char*> loose;  // Largest first.
  bool changed;
  const char* bin_after;
  double used_after;
  const char* loose_after;
};

// Runs the move of `c` on its bin and loose items, made of `items`, and
// checks what it did against the case.
void ExpectMove(Items& items, const MoveCase& c, EngineDraws& draws) {
  std::vector<Item*> in_bin;
  LooseItems loose(items.all());
  for (const char* name : c.bin) in_bin.push_back(items[name]);
  for (const char* name : c.loose) loose.Append(IdOf(items[name]));
  Bin bin = MakeBin(c.capacity, in_bin);
  EXPECT_EQ(OnBlock(c.move, bin, loose, items.all(), draws), c.changed);
  EXPECT_EQ(Names(bin.items), c.bin_after);
  EXPECT_EQ(bin.used, c.used_after);
  EXPECT_EQ(Names(loose.items()), c.loose_after);
}

TEST(ReplaceMovesTest, HandWorkedCases) {
  // Items named x3, y3 and z3 of size 3 show the order among equal sizes.
  Items items({{"x3", 3},
               {"y3", 3},
               {"z3", 3},
               {"n1", 1},
               {"n2", 2},
               {"n4", 4},
               {"n5", 5},
               {"m5", 5},
               {"n7", 7},
               {"n8", 8},
               {"n9", 9},
               {"n12", 12}});
  const MoveCase cases[] = {
      {"one: an equal size is never swapped",
       ReplaceOne,
       {"n5"},
       10,
       {"m5"},
       false,
       "n5 ",
       5,
       "m5 "},
      {"one: the first larger item that fits",
       ReplaceOne,
       {"x3"},
       10,
       {"n12", "n9", "n8", "y3"},
       true,
       "n9 ",
       9,
       "n12 n8 x3 y3 "},
      {"one: a larger item that does not fit",
       ReplaceOne,
       {"x3"},
       10,
       {"n12"},
       false,
       "x3 ",
       3,
       "n12 "},
      {"two by one: an exactly equal item is taken",
       ReplaceTwoByOne,
       {"x3", "n4"},
       10,
       {"n7"},
       true,
       "n7 ",
       7,
       "n4 x3 "},
      {"two by one: past one that overfills",
       ReplaceTwoByOne,
       {"x3", "n4"},
       10,
       {"n12", "n9", "n5"},
       true,
       "n9 ",
       9,
       "n12 n5 n4 x3 "},
      // Smaller items would fit, but the pair is never traded for less.
      {"two by one: the scan stops below the pair",
       ReplaceTwoByOne,
       {"x3", "n4"},
       20,
       {"n5", "m5"},
       false,
       "x3 n4 ",
       7,
       "n5 m5 "},
      {"two by one: equal sizes go ahead",
       ReplaceTwoByOne,
       {"x3", "y3"},
       10,
       {"n12", "n8"},
       true,
       "n8 ",
       8,
       "n12 y3 x3 "},
      {"three by two: a three-item bin gives all three",
       ReplaceThreeByTwo,
       {"n1", "n2", "x3"},
       10,
       {"n5", "n4"},
       true,
       "n5 n4 ",
       9,
       "x3 n2 n1 "},
      // The given-back items land among loose ones of their sizes: ahead
      // of an equal loose item, the later given back first.
      {"three by two: equal sizes go ahead",
       ReplaceThreeByTwo,
       {"x3", "y3", "n1"},
       10,
       {"n5", "m5", "n4", "z3", "n2"},
       true,
       "n5 m5 ",
       10,
       "n4 y3 x3 z3 n2 n1 "},
      {"three by two: one loose item is not enough",
       ReplaceThreeByTwo,
       {"n1", "n2", "x3"},
       10,
       {"n9"},
       false,
       "n1 n2 x3 ",
       6,
       "n9 "},
      {"three by two: the pair must not overfill",
       ReplaceThreeByTwo,
       {"n1", "n2", "x3"},
       10,
       {"n9", "n2"},
       false,
       "n1 n2 x3 ",
       6,
       "n9 n2 "},
  };
  for (const MoveCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (unsigned seed = 1; seed <= 5; ++seed) {
      EngineDraws draws(seed);
      ExpectMove(items, c, draws);
    }
  }
}

TEST(ReplaceMovesTest, ChangesKeepUsedAsTheMovesLeaveIt) {
  // 0.1 + 0.2 is not 0.3 in doubles: a swap adds the size difference to
  // `used` instead of summing the bin again.
  Items items({{"a", 0.1}, {"b", 0.2}, {"c", 0.7}});
  Bin bin = MakeBin(1, {items["a"], items["b"]});
  LooseItems loose(items.all());
  loose.Append(IdOf(items["c"]));
  EngineDraws draws(1);
  ASSERT_TRUE(OnBlock(ReplaceOne, bin, loose, items.all(), draws));
  // Summing the bin again would give 0.8999999999999999 or
  // 0.7999999999999999.
  EXPECT_EQ(bin.used, bin.items[0] == items["c"] ? 0.9 : 0.8);
}

// The quick refusals compare the loose items with the smallest pair and
// triple any bin can hold. When the sizes add up to them exactly, a trade
// is still possible and must be made: the loose items are then exactly as
// large as the bin's items, and the bin keeps its fill with fewer items.
TEST(ReplaceMovesTest, QuickRefusalsLetExactSumsThrough) {
  // Every item of 3 or more: the smallest pair is 6, the smallest triple 9.
  Items items(
      {{"a3", 3}, {"b3", 3}, {"c3", 3}, {"e4", 4}, {"d5", 5}, {"f6", 6}});
  const MoveCase cases[] = {
      {"two by one: a loose item as large as the smallest pair",
       ReplaceTwoByOne,
       {"a3", "b3"},
       10,
       {"f6"},
       true,
       "f6 ",
       6,
       "b3 a3 "},
      {"three by two: two loose items as large as the smallest triple",
       ReplaceThreeByTwo,
       {"a3", "b3", "c3"},
       10,
       {"d5", "e4"},
       true,
       "d5 e4 ",
       9,
       "c3 b3 a3 "},
  };
  for (const MoveCase& c : cases) {
    SCOPED_TRACE(c.name);
    EngineDraws draws(1);
    ExpectMove(items, c, draws);
  }
}

}  // namespace
