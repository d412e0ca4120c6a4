// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_individual.h"

#include <vector>

#include <gtest/gtest.h>

#include "engines/ga_test_support.h"

namespace {

// ---- Fitness and likeness --------------------------------------------------

TEST(IndividualTest, FitnessSquaresTheFillOfEachBin) {
  const struct {
    std::vector<double> used;
    double fitness;
  } cases[] = {
      {{10, 5}, 0.625},
      {{10, 10}, 1},
      // The quotient is squared: 49 / 100 would give 0.49.
      {{7, 7}, 0.48999999999999994},
  };
  for (const auto& c : cases) {
    std::vector<Bin> bins;
    for (double used : c.used) bins.push_back(FilledBin(10, used, 1));
    EXPECT_EQ(Fitness(IndividualOf(bins, 10)), c.fitness) << c.used[0];
  }
}

// The squares are added one by one in bin order, however many bins there
// are: a square below half a unit in the last place of the sum so far is
// lost, while a few of them added together first would not be.
TEST(IndividualTest, FitnessAddsTheSquaresInBinOrder) {
  for (const std::size_t tiny : {3, 7, 8, 20, 40}) {
    std::vector<Bin> bins = {FilledBin(1, 1, 1)};
    for (std::size_t k = 0; k < tiny; ++k) {
      bins.push_back(FilledBin(1, 0x1p-27, 1));  // Its square: 2^-54.
    }
    EXPECT_EQ(Fitness(IndividualOf(bins, 1)),
              1.0 / static_cast<double>(bins.size()))
        << tiny;
  }
}

TEST(IndividualTest, SameShapeComparesFitnessRoomsAndCounts) {
  const Bin full = FilledBin(10, 10, 2);
  const Bin half = FilledBin(10, 5, 2);
  const struct {
    const char* name;
    Individual a;
    Individual b;
    bool same;
  } cases[] = {
      {"identical", Shape(0.6, {full, half}), Shape(0.6, {full, half}), true},
      {"fitness within a millionth", Shape(0.6, {full, half}),
       Shape(0.6 * (1 + 5e-7), {full, half}), true},
      {"fitness two millionths apart", Shape(0.6, {full, half}),
       Shape(0.6 * (1 + 2e-6), {full, half}), false},
      {"another bin count", Shape(0.6, {full, half}),
       Shape(0.6, {full, half, half}), false},
      {"the same bins in another order", Shape(0.6, {full, half}),
       Shape(0.6, {half, full}), false},
      {"another item count", Shape(0.6, {full, half}),
       Shape(0.6, {full, FilledBin(10, 5, 3)}), false},
      {"two full bins are alike", Shape(1, {full}), Shape(1, {full}), true},
      {"no room is close only to no room", Shape(1, {full}),
       Shape(1, {FilledBin(10, 10 - 1e-12, 2)}), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SameShape(c.a, c.b), c.same) << c.name;
    EXPECT_EQ(SameShape(c.b, c.a), c.same) << c.name;
  }
}

}  // namespace
