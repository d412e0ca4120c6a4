// SPDX-License-Identifier: GPL-3.0-or-later
// What the genetic algorithm reports while it searches: the phase with its
// generation count and theoretical minimum, every generation in order with
// the bins of the best packing so far, and no effect on the packing the
// seed gives.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/params.h"
#include "base/progress.h"
#include "engines/genetic_algorithm.h"
#include "input/input.h"

namespace {

// Keeps every report of a search.
class RecordedSearch : public ProgressObserver {
 public:
  void SearchBegins(int32_t generations, unsigned minimum) override {
    begun.emplace_back(generations, minimum);
  }
  void Searched(int32_t generation, std::size_t best_bins) override {
    reports.emplace_back(generation, best_bins);
  }
  void SearchEnds() override { ++ended; }

  std::vector<std::pair<int32_t, unsigned>> begun;
  std::vector<std::pair<int32_t, std::size_t>> reports;
  int ended = 0;
};

// The packing of a run of 10 generations as item names, bin by bin, and how
// many bins it has; `observer` watches the search unless null.
std::string SearchedPacking(ProgressObserver* observer, std::size_t& bins) {
  std::vector<std::pair<std::string, double>> items;
  for (int k = 0; k < 60; ++k) {
    items.emplace_back("i" + std::to_string(k), 20 + (k * 37) % 81);
  }
  Params params;
  params.target = 150;
  params.ga_num_generations = 10;
  Input input(params, items);
  GeneticAlgorithm ga(input);
  if (observer != nullptr) ga.Observe(*observer);
  ga.Search();
  std::string packing;
  for (const BinView& bin : ga.ResultBins()) {
    for (const Item* item : bin) (packing += item->name) += ' ';
    packing += "| ";
  }
  bins = ga.ResultBins().size();
  return packing;
}

TEST(SearchProgressTest, ReportsEveryGenerationAndChangesNoDraw) {
  std::size_t unwatched_bins = 0;
  const std::string unwatched = SearchedPacking(nullptr, unwatched_bins);
  RecordedSearch recorded;
  std::size_t bins = 0;
  EXPECT_EQ(SearchedPacking(&recorded, bins), unwatched);

  // 60 items of 3591 in all need 24 bins of 150 at least.
  ASSERT_EQ(recorded.begun.size(), 1u);
  EXPECT_EQ(recorded.begun[0], std::make_pair(int32_t{10}, 24u));
  EXPECT_EQ(recorded.ended, 1);
  ASSERT_FALSE(recorded.reports.empty());
  EXPECT_EQ(recorded.reports.front().first, 1);
  EXPECT_EQ(recorded.reports.back(), std::make_pair(int32_t{10}, bins));
  for (std::size_t k = 1; k < recorded.reports.size(); ++k) {
    SCOPED_TRACE(k);
    const auto& before = recorded.reports[k - 1];
    const auto& now = recorded.reports[k];
    // Generations never go back, nor does the best packing grow.
    EXPECT_GE(now.first, before.first);
    EXPECT_LE(now.first, before.first + 1);
    EXPECT_LE(now.second, before.second);
    EXPECT_GE(now.second, 24u);
  }
}

}  // namespace
