// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/first_fit.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engines/ga_test_support.h"

namespace {

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

}  // namespace
