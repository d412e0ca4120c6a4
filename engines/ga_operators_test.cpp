// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_operators.h"

#include <algorithm>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engines/ga_local_search.h"
#include "engines/ga_model_test_support.h"
#include "engines/ga_random.h"
#include "engines/ga_test_support.h"

namespace {

// ---- Repair, mutation and crossover ----------------------------------------

TEST(ReinsertTest, LeavesNoLooseItemAndNoOverfullBin) {
  std::mt19937 gen(5);
  for (unsigned round = 0; round < 300; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    RandomCase c = MakeCase(gen, 15, 25, false);
    const std::vector<Item*> all = AllItems(c);
    LooseItems loose(all);
    LooseItems improved(all);
    for (Item* item : c.loose) {
      loose.Append(IdOf(item));
      improved.Append(IdOf(item));
    }
    EngineDraws draws(round);
    GaOperators operators(all, draws);
    Packing bins = PackingOf(c.bins, c.capacity);
    operators.Reinsert(bins, loose);
    EXPECT_TRUE(loose.empty());
    const std::vector<Bin> after = BinsOf(bins, all);
    ASSERT_EQ(bins.ids.size(), all.size());
    ASSERT_EQ(CheckPackingUpToRounding(after, all), "");

    // The same as improving and placing what is left first fit, in its
    // order.
    EngineDraws alone(round);
    Packing block = PackingOf(c.bins, c.capacity);
    std::vector<std::uint32_t> starts;
    StartsOf(block, starts);
    SettledBins settled;
    settled.Reset(block, starts, ById(all).sizes.data());
    std::vector<std::uint32_t> shrunk;
    Improve(block, starts, improved, ById(all).sizes.data(), alone, settled,
            shrunk);
    std::vector<Bin> expected = BinsOf(block, all, &starts);
    model::FirstFit(expected, improved.items(), c.capacity);
    ASSERT_EQ(Names(after), Names(expected));
    for (std::size_t k = 0; k < after.size(); ++k) {
      ASSERT_EQ(after[k].used, expected[k].used) << "bin " << k;
    }
  }
}

TEST(MutateTest, DissolvesABinAndRepacksItsItems) {
  std::mt19937 gen(6);
  for (unsigned round = 0; round < 300; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    RandomCase c = MakeCase(gen, 15, 0, false);
    const std::vector<Item*> all = AllItems(c);
    EngineDraws draws(round);
    GaOperators operators(all, draws);
    Packing bins = PackingOf(c.bins, c.capacity);
    operators.Mutate(bins);
    ASSERT_EQ(bins.ids.size(), all.size());
    ASSERT_EQ(CheckPackingUpToRounding(BinsOf(bins, all), all), "");
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
        operators_(items_.all(), draws_) {
    // R0 shares nothing with the donated bin D0 {d, e}; R1 shares d;
    // R2 lies wholly inside D0; R3 shares nothing.
    receiver_ =
        PackingOf({Bin_("a b"), Bin_("c d g"), Bin_("e"), Bin_("f h")}, 10);
    donor_ = PackingOf({Bin_("d e"), Bin_("a b c f g h")}, 10);
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
  EngineDraws draws_;
  GaOperators operators_;
  Packing receiver_;
  Packing donor_;
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
  const std::vector<Item*>& all = items_.all();
  const std::string receiver_before = Names(receiver_, all);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.insert_at);
    // A child that held other bins before is overwritten.
    Packing child = PackingOf(
        {Bin_("h"), Bin_("g"), Bin_("a"), Bin_("b"), Bin_("c"), Bin_("d")}, 5);
    LooseItems loose(items_.all());
    operators_.InjectSection(receiver_, donor_, 0, 0, c.insert_at, child,
                             loose);
    EXPECT_EQ(Names(child, all), c.child);
    // Only the other items of the bin that shared d come loose, in bin
    // order; the bin inside the donated one leaves nothing.
    EXPECT_EQ(Names(loose.items()), "c g ");
    EXPECT_EQ(Names(receiver_, all), receiver_before);
    EXPECT_EQ(child.capacity, 10);
  }
}

TEST_F(InjectionTest, AWholeDonorLeavesOnlyItsOwnBins) {
  Packing child;
  LooseItems loose(items_.all());
  operators_.InjectSection(receiver_, donor_, 0, 1, 2, child, loose);
  EXPECT_EQ(Names(child, items_.all()), "d e | a b c f g h | ");
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
    std::vector<Bin> bins;
    model::FirstFit(bins, all, parents.items.capacity);
    parent->bins = PackingOf(bins, parents.items.capacity);
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
    const std::string p1_before = Names(parents.p1.bins, all);
    const std::string p2_before = Names(parents.p2.bins, all);
    EngineDraws draws(round);
    GaOperators operators(all, draws);
    Individual c1, c2;
    c2.fitness = 0.5;
    operators.Crossover(parents.p1, parents.p2, c1, c2);
    ASSERT_EQ(CheckPackingUpToRounding(BinsOf(c1.bins, all), all), "");
    ASSERT_EQ(CheckPackingUpToRounding(BinsOf(c2.bins, all), all), "");
    EXPECT_EQ(c2.fitness, 0.5);  // Left for the caller to evaluate.
    EXPECT_EQ(Names(parents.p1.bins, all), p1_before);
    EXPECT_EQ(Names(parents.p2.bins, all), p2_before);
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

    Individual c1, c2;
    EngineDraws draws(round);
    GaOperators(all, draws).Crossover(parents.p1, parents.p2, c1, c2);
    const std::string first = Names(c1.bins, all);
    const std::string second = Names(c2.bins, all);

    Individual a = parents.p1, b = parents.p2;
    draws.Seed(round);
    GaOperators(all, draws).Crossover(a, b, b, a);
    EXPECT_EQ(Names(b.bins, all), first);
    EXPECT_EQ(Names(a.bins, all), second);

    a = parents.p1;
    b = parents.p2;
    Individual same;
    draws.Seed(round);
    GaOperators(all, draws).Crossover(a, b, same, same);
    EXPECT_EQ(Names(same.bins, all), second);  // Written last.
  }
}

// The operators mark the items of the donated bins for each child and keep
// the marks from child to child; a mark left from an earlier child must never
// pass for one of the current child, or an item of a dropped bin would be
// neither loose nor donated and go missing. A thousand children from one
// operator object must all be whole packings. The parents hold the same 500
// bins in opposite orders, so the items of the bins at either end are seldom
// donated and keep their marks for hundreds of children.
TEST(CrossoverTest, OneOperatorObjectKeepsEveryChildWhole) {
  constexpr int kItems = 1000;
  constexpr double kCapacity = 64;
  constexpr int kChildren = 1000;
  std::mt19937 gen(10);
  std::vector<std::pair<std::string, double>> sized;
  for (int k = 0; k < kItems; ++k) {
    sized.emplace_back("i" + std::to_string(k),
                       std::uniform_int_distribution<int>(20, 44)(gen));
  }
  Items items(sized);
  const std::vector<Item*>& all = items.all();
  std::vector<Bin> bins;
  model::FirstFit(bins, all, kCapacity);
  Individual p1{PackingOf(bins, kCapacity), 0};
  Individual p2{PackingOf({bins.rbegin(), bins.rend()}, kCapacity), 0};
  EngineDraws draws(3);
  GaOperators operators(all, draws);
  for (int child = 0; child < kChildren; child += 2) {
    Individual c1, c2;
    operators.Crossover(p1, p2, c1, c2);
    ASSERT_EQ(CheckPackingUpToRounding(BinsOf(c1.bins, all), all), "")
        << "child " << child;
    ASSERT_EQ(CheckPackingUpToRounding(BinsOf(c2.bins, all), all), "")
        << "child " << child + 1;
  }
}

}  // namespace

// ---- Keys carried by the packings ------------------------------------------

// Keys a packing carries must be those its bins have now: a stale key could
// pass over a bin that can trade, and the run would part from the algorithm.
void ExpectKeysOfItsBins(const Packing& packing, const double* sizes) {
  ASSERT_TRUE(packing.carries_keys());
  std::vector<std::uint32_t> starts;
  StartsOf(packing, starts);
  SettledBins fresh;
  fresh.Reset(packing, starts, sizes);
  std::vector<BinKeys> keys;
  fresh.Swap(keys);
  for (std::size_t k = 0; k < packing.size(); ++k) {
    ASSERT_EQ(packing.keys[k].one, keys[k].one) << "bin " << k;
    ASSERT_EQ(packing.keys[k].three, keys[k].three) << "bin " << k;
  }
}

// A small population bred by crossover and mutation, twice from the same
// seed: once with the keys kept in the packings, once worked out for each
// repair. The packings must be the same, and the kept keys those of the bins.
TEST(KeptKeysTest, FollowEveryOperatorAndChangeNoPacking) {
  std::mt19937 gen(11);
  for (unsigned round = 0; round < 40; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    RandomCase c = MakeCase(gen, 25, 0, false);
    const std::vector<Item*> all = AllItems(c);
    const ById by_id(all);
    EngineDraws kept_draws(round), plain_draws(round);
    GaOperators kept(all, kept_draws), plain(all, plain_draws, false);
    std::vector<Individual> with_keys(4), without(4);
    for (std::size_t i = 0; i < with_keys.size(); ++i) {
      std::vector<Item*> order = all;
      std::shuffle(order.begin(), order.end(), gen);
      with_keys[i].bins.capacity = without[i].bins.capacity = c.capacity;
      kept.FirstFit(with_keys[i].bins, order);
      plain.FirstFit(without[i].bins, order);
    }
    for (int step = 0; step < 30; ++step) {
      const auto pick = [&gen] {
        return std::uniform_int_distribution<std::size_t>(0, 3)(gen);
      };
      const std::size_t a = pick(), b = pick(), x = pick(), y = pick();
      if (with_keys[a].bins.size() < 2 || with_keys[b].bins.size() < 2) break;
      kept.Crossover(with_keys[a], with_keys[b], with_keys[x], with_keys[y]);
      plain.Crossover(without[a], without[b], without[x], without[y]);
      kept.Mutate(with_keys[x].bins);
      plain.Mutate(without[x].bins);
      for (std::size_t i = 0; i < with_keys.size(); ++i) {
        ExpectKeysOfItsBins(with_keys[i].bins, by_id.sizes.data());
        ASSERT_TRUE(without[i].bins.keys.empty());
        ASSERT_EQ(Names(with_keys[i].bins, all), Names(without[i].bins, all));
      }
    }
  }
}
