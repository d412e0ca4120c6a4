// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_operators.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "driver/params.h"
#include "engines/ga_random.h"
#include "engines/ga_test_support.h"
#include "input/input.h"

namespace {

// ---- Helpers ---------------------------------------------------------------

// Items made by name and size, owned by an Input so they carry ids 0..n-1.
class Items {
 public:
  explicit Items(const std::vector<std::pair<std::string, double>>& sized)
      : input_(params_, sized) {}
  Item* operator[](const std::string& name) const {
    for (Item* item : input_.items) {
      if (item->name == name) return item;
    }
    ADD_FAILURE() << "no item " << name;
    return nullptr;
  }
  const std::vector<Item*>& all() const { return input_.items; }

 private:
  Params params_;
  Input input_;
};

Bin MakeBin(double capacity, const std::vector<Item*>& items) {
  Bin bin{{}, 0, capacity};
  for (Item* item : items) bin.Add(item);
  return bin;
}

// "a b " for items a and b.
template <typename Items>
std::string Names(const Items& items) {
  std::string text;
  for (const Item* item : items) (text += item->name) += ' ';
  return text;
}

// "a b | c | " for two bins.
std::string Names(const std::vector<Bin>& bins) {
  std::string text;
  for (const Bin& bin : bins) text += Names(bin.items) + "| ";
  return text;
}

// The generator's next value, which tells whether two runs drew equally
// often.
int NextDraw() { return Draw(); }

// ---- Straightforward versions written from the rules, for differential
// tests: linear scans and insertions.

void LinearInsert(std::vector<Item*>& freeItems, Item* x) {
  std::size_t i = 0;
  while (i < freeItems.size() && freeItems[i]->size > x->size) ++i;
  freeItems.insert(freeItems.begin() + i, x);
}

void LinearFirstFit(std::vector<Bin>& bins, const std::vector<Item*>& items,
                    double capacity) {
  for (Item* item : items) {
    std::size_t k = 0;
    while (k < bins.size() && !(bins[k].room() >= item->size)) ++k;
    if (k == bins.size()) bins.push_back(Bin{{}, 0, capacity});
    bins[k].Add(item);
  }
}

bool LinearReplaceOne(Bin& bin, std::vector<Item*>& freeItems) {
  if (freeItems.empty()) return false;
  const std::size_t j = RandomIndex(bin.items.size());
  Item* x = bin.items[j];
  for (std::size_t i = 0; i < freeItems.size(); ++i) {
    Item* f = freeItems[i];
    if (!(f->size > x->size)) return false;
    if (bin.room() >= f->size - x->size) {
      freeItems.erase(freeItems.begin() + i);
      LinearInsert(freeItems, x);
      bin.items.Set(j, f);
      bin.used += f->size - x->size;
      return true;
    }
  }
  return false;
}

bool LinearReplaceTwoByOne(Bin& bin, std::vector<Item*>& freeItems) {
  if (freeItems.empty()) return false;
  const std::size_t m = bin.items.size();
  const std::size_t a = RandomIndex(m);
  const std::size_t b = OtherIndex(0, m - 1, a);
  const std::size_t lo = std::min(a, b), hi = std::max(a, b);
  Item* low = bin.items[lo];
  Item* high = bin.items[hi];
  const double w = low->size + high->size;
  for (std::size_t i = 0; i < freeItems.size(); ++i) {
    Item* f = freeItems[i];
    if (f->size < w) return false;
    if (bin.room() >= f->size - w) {
      freeItems.erase(freeItems.begin() + i);
      LinearInsert(freeItems, low);
      LinearInsert(freeItems, high);
      bin.items.erase(bin.items.begin() + hi);
      bin.used -= high->size;
      bin.items.erase(bin.items.begin() + lo);
      bin.used -= low->size;
      bin.Add(f);
      return true;
    }
  }
  return false;
}

bool LinearReplaceThreeByTwo(Bin& bin, std::vector<Item*>& freeItems) {
  if (freeItems.size() < 2) return false;
  const std::size_t m = bin.items.size();
  const std::size_t a = RandomIndex(m);
  const std::size_t b = OtherIndex(0, m - 1, a);
  const std::size_t lo = std::min(a, b), hi = std::max(a, b);
  std::size_t d = RandomIndex(m);
  if (d == lo) {
    d = d > 0 ? d - 1 : (hi == 1 ? 2 : 1);
  } else if (d == hi) {
    d = d != m - 1 ? d + 1 : (lo == m - 2 ? m - 3 : m - 2);
  }
  std::size_t pos[3] = {lo, hi, d};
  std::sort(pos, pos + 3);
  Item* in_bin[3] = {bin.items[pos[0]], bin.items[pos[1]], bin.items[pos[2]]};
  const double w = in_bin[0]->size + in_bin[1]->size + in_bin[2]->size;
  Item* f0 = freeItems[0];
  for (std::size_t i = 1; i < freeItems.size(); ++i) {
    Item* f = freeItems[i];
    const double s = f->size + f0->size;
    if (s < w) return false;
    if (bin.room() >= s - w) {
      freeItems.erase(freeItems.begin() + i);
      freeItems.erase(freeItems.begin());
      for (Item* item : in_bin) LinearInsert(freeItems, item);
      for (int k = 2; k >= 0; --k) {
        bin.items.erase(bin.items.begin() + pos[k]);
        bin.used -= in_bin[k]->size;
      }
      bin.Add(f0);
      bin.Add(f);
      return true;
    }
  }
  return false;
}

void LinearImprove(std::vector<Bin>& bins, std::vector<Item*>& freeItems) {
  if (freeItems.empty()) return;
  std::sort(freeItems.begin(), freeItems.end(), BySizeDescending);
  bool changed = true;
  while (changed) {
    changed = false;
    for (std::size_t i = 0; i < bins.size(); ++i) {
      if (bins[i].items.size() >= 3) {
        changed |= LinearReplaceThreeByTwo(bins[i], freeItems);
      }
      if (bins[i].items.size() >= 2) {
        changed |= LinearReplaceTwoByOne(bins[i], freeItems);
      }
      if (bins[i].items.size() >= 1) {
        changed |= LinearReplaceOne(bins[i], freeItems);
      }
    }
  }
}

// ---- Random cases for the differential tests --------------------------------

// Sizes from a few values, so that equal sizes, exact fits and fractional
// rounding all occur often.
double RandomSize(std::mt19937& gen) {
  static const double kSizes[] = {1,   2,   3,  5,  5,  7,    10, 12.5, 0.1,
                                  0.2, 0.7, 20, 25, 30, 33.3, 40, 50};
  return kSizes[std::uniform_int_distribution<int>(0, 16)(gen)];
}

// A random individual of bins within `capacity` plus loose items (sorted
// largest first when `sorted`), all owned by `store`.
struct RandomCase {
  std::vector<std::unique_ptr<Item>> store;
  std::deque<std::string> names;  // The items' names; stable addresses.
  std::vector<Bin> bins;
  std::vector<Item*> freeItems;
  double capacity = 0;

  Item* NewItem(double size) {
    names.push_back("i" + std::to_string(store.size()));
    store.push_back(
        std::make_unique<Item>(Item{names.back(), size, store.size()}));
    return store.back().get();
  }
};

RandomCase MakeCase(std::mt19937& gen, int max_bins, int max_free,
                    bool sorted) {
  RandomCase c;
  c.capacity = std::uniform_int_distribution<int>(0, 1)(gen) ? 50 : 60.1;
  const int bins = std::uniform_int_distribution<int>(1, max_bins)(gen);
  for (int b = 0; b < bins; ++b) {
    Bin bin{{}, 0, c.capacity};
    const int wanted = std::uniform_int_distribution<int>(1, 7)(gen);
    for (int k = 0; k < wanted; ++k) {
      const double size = RandomSize(gen);
      if (bin.room() >= size) bin.Add(c.NewItem(size));
    }
    if (bin.items.empty()) bin.Add(c.NewItem(0.1));
    c.bins.push_back(bin);
  }
  const int loose = std::uniform_int_distribution<int>(0, max_free)(gen);
  for (int k = 0; k < loose; ++k) {
    c.freeItems.push_back(c.NewItem(RandomSize(gen)));
  }
  if (sorted) {
    std::stable_sort(c.freeItems.begin(), c.freeItems.end(), BySizeDescending);
  }
  return c;
}

std::vector<Item*> AllItems(const RandomCase& c) {
  std::vector<Item*> items;
  for (const auto& item : c.store) items.push_back(item.get());
  return items;
}

// Runs `fast` and `linear` on copies of one random bin and its loose items
// from the same generator state; they must agree on everything, including
// how many draws they took.
template <typename Move>
void ExpectSameMove(Move fast, Move linear, std::size_t min_items) {
  std::mt19937 gen(12345);
  int changes = 0;
  for (unsigned round = 0; round < 3000; ++round) {
    RandomCase c = MakeCase(gen, 1, 10, true);
    if (c.bins[0].items.size() < min_items) continue;
    SCOPED_TRACE("round " + std::to_string(round));
    Bin fast_bin = c.bins[0], linear_bin = c.bins[0];
    std::vector<Item*> fast_free = c.freeItems, linear_free = c.freeItems;
    SeedDraws(round);
    const bool fast_changed = fast(fast_bin, fast_free);
    const int fast_next = NextDraw();
    SeedDraws(round);
    const bool linear_changed = linear(linear_bin, linear_free);
    ASSERT_EQ(fast_changed, linear_changed);
    ASSERT_EQ(fast_next, NextDraw());
    ASSERT_EQ(fast_bin.items, linear_bin.items);
    ASSERT_EQ(fast_bin.used, linear_bin.used);  // Bit for bit.
    ASSERT_EQ(fast_free, linear_free);
    changes += fast_changed;
  }
  // The comparison only means something if both outcomes were exercised.
  EXPECT_GT(changes, 100);
}

// ---- Random helpers ---------------------------------------------------------

TEST(GaRandomTest, ScaleIndexIsTheProductTruncated) {
  const struct {
    std::size_t n;
    int r;
    std::size_t index;
  } cases[] = {
      {1, 2147483647, 0}, {2, 1073741823, 0},
      {2, 1073741824, 1}, {3, 715827882, 0},
      {3, 715827883, 1},  {10, 2147483647, 9},
      {10, 0, 0},         {1000, 2147483, 0},
      {1000, 2147484, 1}, {2147483648u, 2147483647, 2147483647},
      {7, 1840700269, 5}, {7, 1840700270, 6},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScaleIndex(c.n, c.r), c.index) << c.n << " " << c.r;
  }
}

// The index is computed in integers where that is exact; it must agree with
// the double product everywhere, the edges of both ranges included.
TEST(GaRandomTest, ScaleIndexAgreesWithTheDoubleProduct) {
  auto by_doubles = [](std::size_t n, int r) {
    return static_cast<std::size_t>(static_cast<double>(n) *
                                    static_cast<double>(r) *
                                    4.656612873077393e-10);
  };
  std::mt19937_64 random(5);
  const std::size_t ns[] = {
      1, 2, 3, 1000, (1u << 22) - 1, 1u << 22, (1u << 22) + 1, 123456789};
  for (std::size_t n : ns) {
    for (int r : {0, 1, 2147483646, 2147483647}) {
      EXPECT_EQ(ScaleIndex(n, r), by_doubles(n, r)) << n << " " << r;
    }
  }
  for (int k = 0; k < 100000; ++k) {
    const std::size_t n = 1 + random() % (std::size_t{1} << 23);
    const int r = static_cast<int>(random() % 2147483648u);
    ASSERT_EQ(ScaleIndex(n, r), by_doubles(n, r)) << n << " " << r;
  }
}

TEST(GaRandomTest, ChanceHitWidensTheFloat) {
  const struct {
    float p;
    int r;
    bool hit;
  } cases[] = {
      {0.5f, 1073741823, true},
      {0.5f, 1073741824, false},
      // 0.1f is 0.10000000149..., so a value just above 0.1 still hits.
      {0.1f, 214748367, true},
      {0.1f, 214748368, false},
      {0.95f, 2040109439, true},
      // 0.95f is 0.94999998..., so a value just below 0.95 misses.
      {0.95f, 2040109440, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChanceHit(c.p, c.r), c.hit) << c.p << " " << c.r;
  }
}

TEST(GaRandomTest, CertainChancesDrawNothing) {
  const struct {
    float p;
    bool result;
  } cases[] = {{0.0f, false}, {-1.0f, false}, {1.0f, true}, {2.0f, true}};
  SeedDraws(99);
  const int first = NextDraw();
  for (const auto& c : cases) {
    SeedDraws(99);
    EXPECT_EQ(Chance(c.p), c.result) << c.p;
    EXPECT_EQ(NextDraw(), first) << c.p;
  }
  SeedDraws(99);
  Chance(0.5f);
  EXPECT_NE(NextDraw(), first);
}

TEST(GaRandomTest, OtherIndexDiffers) {
  for (unsigned seed = 0; seed < 200; ++seed) {
    SeedDraws(seed);
    EXPECT_EQ(OtherIndex(0, 1, 0), 1u);
    EXPECT_EQ(OtherIndex(0, 1, 1), 0u);
    const std::size_t x = OtherIndex(3, 9, 5);
    EXPECT_TRUE(x >= 3 && x <= 9 && x != 5) << x;
    // A range of one position has no other index inside it.
    EXPECT_EQ(OtherIndex(4, 4, 4), 5u);
  }
}

// ---- First fit --------------------------------------------------------------

TEST(FirstFitTest, PicksTheSameBinsAsTheScan) {
  std::mt19937 gen(7);
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    RandomCase c = MakeCase(gen, 40, 60, round % 2 == 0);
    std::vector<Bin> fast = c.bins, linear = c.bins;
    FirstFitter(c.capacity).Place(fast, c.freeItems);
    LinearFirstFit(linear, c.freeItems, c.capacity);
    ASSERT_EQ(fast.size(), linear.size());
    for (std::size_t k = 0; k < fast.size(); ++k) {
      ASSERT_EQ(fast[k].items, linear[k].items) << "bin " << k;
      ASSERT_EQ(fast[k].used, linear[k].used) << "bin " << k;
    }
  }
}

TEST(FirstFitTest, FillsEarlierBinsBeforeOpeningNew) {
  Items items({{"a", 6}, {"b", 5}, {"c", 4}, {"d", 3}, {"e", 2}, {"f", 10}});
  std::vector<Bin> bins;
  FirstFitter(10).Place(bins, items.all());
  EXPECT_EQ(Names(bins), "a c | b d e | f | ");
  EXPECT_EQ(bins[0].used, 10);
  EXPECT_EQ(bins[2].capacity, 10);
}

// ---- Local search moves
// ------------------------------------------------------

TEST(ReplaceMovesTest, ReplaceOneMatchesTheLinearScan) {
  ExpectSameMove(ReplaceOne, LinearReplaceOne, 1);
}

TEST(ReplaceMovesTest, ReplaceTwoByOneMatchesTheLinearScan) {
  ExpectSameMove(ReplaceTwoByOne, LinearReplaceTwoByOne, 2);
}

TEST(ReplaceMovesTest, ReplaceThreeByTwoMatchesTheLinearScan) {
  ExpectSameMove(ReplaceThreeByTwo, LinearReplaceThreeByTwo, 3);
}

TEST(ReplaceMovesTest, ImproveMatchesLinearPasses) {
  std::mt19937 gen(99);
  for (unsigned round = 0; round < 300; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    RandomCase c = MakeCase(gen, 12, 15, false);
    std::vector<Bin> fast = c.bins, linear = c.bins;
    std::vector<Item*> fast_free = c.freeItems, linear_free = c.freeItems;
    SeedDraws(round);
    Improve(fast, fast_free);
    const int fast_next = NextDraw();
    SeedDraws(round);
    LinearImprove(linear, linear_free);
    ASSERT_EQ(fast_next, NextDraw());
    ASSERT_EQ(fast_free, linear_free);
    for (std::size_t k = 0; k < fast.size(); ++k) {
      ASSERT_EQ(fast[k].items, linear[k].items) << "bin " << k;
      ASSERT_EQ(fast[k].used, linear[k].used) << "bin " << k;
    }
  }
}

// Hand-made bins where every draw leads to the same outcome, so the cases
// hold for any seed.
struct MoveCase {
  const char* name;
  bool (*move)(Bin&, std::vector<Item*>&);
  std::vector<const char*> bin;  // Item names, in bin order.
  double capacity;
  std::vector<const char*> loose;  // Largest first.
  bool changed;
  const char* bin_after;
  double used_after;
  const char* loose_after;
};

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
      SeedDraws(seed);
      std::vector<Item*> in_bin, loose;
      for (const char* name : c.bin) in_bin.push_back(items[name]);
      for (const char* name : c.loose) loose.push_back(items[name]);
      Bin bin = MakeBin(c.capacity, in_bin);
      EXPECT_EQ(c.move(bin, loose), c.changed);
      EXPECT_EQ(Names(bin.items), c.bin_after);
      EXPECT_EQ(bin.used, c.used_after);
      EXPECT_EQ(Names(loose), c.loose_after);
    }
  }
}

TEST(ReplaceMovesTest, ChangesKeepUsedAsTheMovesLeaveIt) {
  // 0.1 + 0.2 is not 0.3 in doubles: a swap adds the size difference to
  // `used` instead of summing the bin again.
  Items items({{"a", 0.1}, {"b", 0.2}, {"c", 0.7}});
  Bin bin = MakeBin(1, {items["a"], items["b"]});
  std::vector<Item*> loose = {items["c"]};
  SeedDraws(1);
  ASSERT_TRUE(ReplaceOne(bin, loose));
  // Summing the bin again would give 0.8999999999999999 or
  // 0.7999999999999999.
  EXPECT_EQ(bin.used, bin.items[0] == items["c"] ? 0.9 : 0.8);
}

// ---- Repair, mutation and crossover ----------------------------------------

TEST(ReinsertTest, LeavesNoLooseItemAndNoOverfullBin) {
  std::mt19937 gen(5);
  for (unsigned round = 0; round < 300; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    RandomCase c = MakeCase(gen, 15, 25, false);
    const std::vector<Item*> all = AllItems(c);
    std::vector<Bin> linear = c.bins;
    std::vector<Item*> linear_free = c.freeItems;
    GaOperators operators(c.capacity, all.size());
    SeedDraws(round);
    operators.Reinsert(c.bins, c.freeItems);
    EXPECT_TRUE(c.freeItems.empty());
    ASSERT_EQ(CheckPackingUpToRounding(c.bins, all), "");

    // The same as improving, sorting what is left once more and placing it
    // first fit.
    SeedDraws(round);
    LinearImprove(linear, linear_free);
    std::sort(linear_free.begin(), linear_free.end(), BySizeDescending);
    LinearFirstFit(linear, linear_free, c.capacity);
    ASSERT_EQ(Names(c.bins), Names(linear));
  }
}

TEST(MutateTest, DissolvesABinAndRepacksItsItems) {
  std::mt19937 gen(6);
  for (unsigned round = 0; round < 300; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    RandomCase c = MakeCase(gen, 15, 0, false);
    const std::vector<Item*> all = AllItems(c);
    GaOperators operators(c.capacity, all.size());
    SeedDraws(round);
    operators.Mutate(c.bins);
    ASSERT_EQ(CheckPackingUpToRounding(c.bins, all), "");
  }
}

// Receiver and donor packings of the same items a..h, capacity 10.
class InjectionTest : public ::testing::Test {
 protected:
  InjectionTest()
      : items_({{"a", 1},
                {"b", 1},
                {"c", 1},
                {"d", 1},
                {"e", 1},
                {"f", 1},
                {"g", 1},
                {"h", 1}}),
        operators_(10, 8) {
    // R0 shares nothing with the donated bin D0 {d, e}; R1 shares d;
    // R2 lies wholly inside D0; R3 shares nothing.
    receiver_.bins = {Bin_("a b"), Bin_("c d g"), Bin_("e"), Bin_("f h")};
    donor_.bins = {Bin_("d e"), Bin_("a b c f g h")};
  }
  Bin Bin_(const std::string& names) {
    std::vector<Item*> in_bin;
    std::size_t start = 0;
    while (start < names.size()) {
      std::size_t end = names.find(' ', start);
      if (end == std::string::npos) end = names.size();
      in_bin.push_back(items_[names.substr(start, end - start)]);
      start = end + 1;
    }
    return MakeBin(10, in_bin);
  }

  Items items_;
  GaOperators operators_;
  Individual receiver_;
  Individual donor_;
};

TEST_F(InjectionTest, DropsOnlyTheBinsThatShareItems) {
  const struct {
    std::size_t insert_at;
    const char* child;
  } cases[] = {
      {0, "d e | a b | f h | "}, {1, "a b | d e | f h | "},
      {2, "a b | d e | f h | "}, {3, "a b | d e | f h | "},
      {4, "a b | f h | d e | "},
  };
  const std::string receiver_before = Names(receiver_.bins);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.insert_at);
    // A child that held other bins before is overwritten.
    std::vector<Bin> child = {Bin_("h"), Bin_("g"), Bin_("a"),
                              Bin_("b"), Bin_("c"), Bin_("d")};
    std::vector<Item*> loose;
    operators_.InjectSection(receiver_, donor_, 0, 0, c.insert_at, child,
                             loose);
    EXPECT_EQ(Names(child), c.child);
    // Only the other items of the bin that shared d come loose, in bin
    // order; the bin inside the donated one leaves nothing.
    EXPECT_EQ(Names(loose), "c g ");
    EXPECT_EQ(Names(receiver_.bins), receiver_before);
    for (const Bin& bin : child) EXPECT_EQ(bin.capacity, 10);
  }
}

TEST_F(InjectionTest, AWholeDonorLeavesOnlyItsOwnBins) {
  std::vector<Bin> child;
  std::vector<Item*> loose;
  operators_.InjectSection(receiver_, donor_, 0, 1, 2, child, loose);
  EXPECT_EQ(Names(child), "d e | a b c f g h | ");
  EXPECT_TRUE(loose.empty());
}

// Two random packings of the same items.
struct Parents {
  RandomCase items;
  Individual p1, p2;
};

Parents MakeParents(std::mt19937& gen) {
  Parents parents;
  parents.items = MakeCase(gen, 1, 40, false);
  std::vector<Item*> all = AllItems(parents.items);
  for (Individual* parent : {&parents.p1, &parents.p2}) {
    std::shuffle(all.begin(), all.end(), gen);
    LinearFirstFit(parent->bins, all, parents.items.capacity);
  }
  return parents;
}

TEST(CrossoverTest, ChildrenArePackingsAndParentsStay) {
  std::mt19937 gen(8);
  for (unsigned round = 0; round < 300; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    Parents parents = MakeParents(gen);
    if (parents.p1.bins.size() < 2 || parents.p2.bins.size() < 2) continue;
    const std::vector<Item*> all = AllItems(parents.items);
    const std::string p1_before = Names(parents.p1.bins);
    const std::string p2_before = Names(parents.p2.bins);
    GaOperators operators(parents.items.capacity, all.size());
    Individual c1, c2;
    c2.fitness = 0.5;
    SeedDraws(round);
    operators.Crossover(parents.p1, parents.p2, c1, c2);
    ASSERT_EQ(CheckPackingUpToRounding(c1.bins, all), "");
    ASSERT_EQ(CheckPackingUpToRounding(c2.bins, all), "");
    EXPECT_EQ(c2.fitness, 0.5);  // Left for the caller to evaluate.
    EXPECT_EQ(Names(parents.p1.bins), p1_before);
    EXPECT_EQ(Names(parents.p2.bins), p2_before);
  }
}

TEST(CrossoverTest, ChildrenMayReplaceTheirOwnParents) {
  // A population of three can make a child position coincide with a
  // parent; the children must still come from the parents as they were.
  std::mt19937 gen(9);
  for (unsigned round = 0; round < 200; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    Parents parents = MakeParents(gen);
    if (parents.p1.bins.size() < 2 || parents.p2.bins.size() < 2) continue;
    const std::vector<Item*> all = AllItems(parents.items);
    const double capacity = parents.items.capacity;

    Individual c1, c2;
    SeedDraws(round);
    GaOperators(capacity, all.size()).Crossover(parents.p1, parents.p2, c1, c2);
    const std::string first = Names(c1.bins), second = Names(c2.bins);

    Individual a = parents.p1, b = parents.p2;
    SeedDraws(round);
    GaOperators(capacity, all.size()).Crossover(a, b, b, a);
    EXPECT_EQ(Names(b.bins), first);
    EXPECT_EQ(Names(a.bins), second);

    a = parents.p1;
    b = parents.p2;
    Individual same;
    SeedDraws(round);
    GaOperators(capacity, all.size()).Crossover(a, b, same, same);
    EXPECT_EQ(Names(same.bins), second);  // Written last.
  }
}

}  // namespace
