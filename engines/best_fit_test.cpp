// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/best_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/params.h"
#include "engines/packing_check.h"
#include "input/input.h"

namespace {

using Sizes = std::vector<double>;
using Packing = std::vector<std::vector<std::size_t>>;  // Item ids per bin.

// Items named by their position, sized as given, in the given order.
std::vector<std::pair<std::string, double>> Named(const Sizes& sizes) {
  std::vector<std::pair<std::string, double>> items;
  for (double size : sizes)
    items.emplace_back(std::to_string(items.size()), size);
  return items;
}

Packing IdsOf(const std::vector<BinView>& bins) {
  Packing packing;
  for (const BinView& bin : bins) {
    packing.emplace_back();
    for (const Item* item : bin) packing.back().push_back(item->id);
  }
  return packing;
}

// Runs Best Fit on the items in the given order and checks the packing.
Packing PackBestFit(double target, const Sizes& sizes) {
  Params params;
  params.target = target;
  Input input(params, Named(sizes));
  BestFit engine(input);
  engine.Search();
  const std::vector<BinView> bins = engine.ResultBins();
  EXPECT_EQ(CheckPacking(bins, input.items), "");
  for (const BinView& bin : bins) EXPECT_EQ(bin.capacity, target);
  return IdsOf(bins);
}

// The rule stated plainly: every bin is looked at for every item.
Packing PackByPlainScan(double target, const Sizes& sizes) {
  std::vector<double> used;
  Packing packing;
  for (std::size_t id = 0; id < sizes.size(); ++id) {
    std::size_t chosen = used.size();
    double best = std::numeric_limits<double>::max();
    for (std::size_t b = 0; b < used.size(); ++b) {
      const double room = target - used[b];
      if (room >= sizes[id] && room - sizes[id] < best) {
        best = room - sizes[id];
        chosen = b;
      }
    }
    if (chosen == used.size()) {
      used.push_back(0);
      packing.emplace_back();
    }
    used[chosen] += sizes[id];
    packing[chosen].push_back(id);
  }
  return packing;
}

TEST(BestFitTest, HandWorkedPackings) {
  static const struct {
    const char* name;
    double target;
    Sizes sizes;
    Packing bins;
  } cases[] = {
      {"two full bins", 10, {6, 5, 4, 3, 2}, {{0, 2}, {1, 3, 4}}},
      {"equal rooms go to the earlier bin", 10, {7, 7, 3}, {{0, 2}, {1}}},
      {"least room left beats the earlier bin", 10, {5, 7, 3}, {{0}, {1, 2}}},
      {"an exact fit beats every other bin",
       10,
       {4, 8, 6, 2},
       {{0, 2}, {1, 3}}},
      {"one item of the target size", 10, {10}, {{0}}},
      {"nothing fits twice", 10, {6, 6, 6}, {{0}, {1}, {2}}},
      {"room equal to the size fits", 1, {0.5, 0.25, 0.25}, {{0, 1, 2}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PackBestFit(c.target, c.sizes), c.bins) << c.name;
  }
}

// Two different rooms can leave the same leftover once rounded: here the
// earlier bin has the larger room (by one unit in the last place) and both
// leftovers round, half to even, to 1.25. The earlier bin must win, as it
// does when every bin is scanned.
TEST(BestFitTest, RoundedLeftoverTieGoesToTheEarlierBin) {
  const double ulp = std::ldexp(1.0, -52);
  const double first = 1.5 + ulp;       // Bin 0, room 1.5 - ulp.
  const double second = 1.5 + 2 * ulp;  // Too big for bin 0; room 1.5 - 2ulp.
  const double third = 0.25 - 1.5 * ulp;
  const double room0 = 3 - first, room1 = 3 - second;
  ASSERT_GT(room0, room1);
  ASSERT_EQ(room0 - third, room1 - third);
  const Sizes sizes = {first, second, third};
  EXPECT_EQ(PackByPlainScan(3, sizes), (Packing{{0, 2}, {1}}));
  EXPECT_EQ(PackBestFit(3, sizes), (Packing{{0, 2}, {1}}));
}

// Draws of the differential test below.
double WholeNumber(std::mt19937& random) {
  return std::uniform_int_distribution<int>(100, 500)(random);
}
double Tenths(std::mt19937& random) {
  return std::uniform_int_distribution<int>(1, 10)(random) / 10.0;
}
double Thousandths(std::mt19937& random) {
  return std::uniform_int_distribution<int>(1, 900)(random) / 1000.0;
}
// Items a little above half of a target of 3, each in a bin of its own with
// rooms one unit in the last place apart, and small items whose leftovers in
// such rooms can round, half to even, onto the same value.
double LastBitNoise(std::mt19937& random) {
  const double ulp = std::ldexp(1.0, -52);
  if (std::uniform_int_distribution<int>(0, 1)(random) == 0) {
    return 1.5 + std::uniform_int_distribution<int>(1, 4)(random) * ulp;
  }
  return 0.25 + std::uniform_int_distribution<int>(-8, 8)(random) * ulp / 2;
}

// Random inputs, sorted as the driver sorts them and unsorted, with whole
// numbers (many equal rooms) and with fractions (rooms that differ only by
// rounding): the engine chooses the same bins as the plain scan.
TEST(BestFitTest, ChoosesTheBinsOfThePlainScan) {
  std::mt19937 random(20240611);
  static const struct {
    const char* name;
    double target;
    double (*draw)(std::mt19937&);
    bool sorted;
  } shapes[] = {
      {"whole numbers", 1000, WholeNumber, true},
      {"whole numbers, unsorted", 1000, WholeNumber, false},
      {"tenths", 1, Tenths, true},
      {"tenths, unsorted", 1, Tenths, false},
      {"thousandths", 1.7, Thousandths, true},
      {"thousandths, unsorted", 0.9, Thousandths, false},
      {"last-bit noise", 3, LastBitNoise, true},
      {"last-bit noise, unsorted", 3, LastBitNoise, false},
  };
  for (const auto& shape : shapes) {
    for (int round = 0; round < 20; ++round) {
      Sizes sizes(std::uniform_int_distribution<int>(1, 400)(random));
      for (double& size : sizes) size = shape.draw(random);
      if (shape.sorted) std::sort(sizes.rbegin(), sizes.rend());
      ASSERT_EQ(PackBestFit(shape.target, sizes),
                PackByPlainScan(shape.target, sizes))
          << shape.name << ", round " << round;
    }
  }
}

TEST(BestFitTest, VerboseHeader) {
  Params params;
  params.target = 10;
  params.plain_numbers = true;
  Input input(params, Named({6, 5, 4, 3, 2}));
  BestFit engine(input);
  std::ostringstream out;
  engine.PrintHeader(out) << "(more)";
  EXPECT_EQ(out.str(),
            "\n"
            "> -----------------------------------\n"
            "> Best Fit search (approximate)    \n"
            "> -----------------------------------\n"
            "> Target: 10\n"
            "> Input size: 5\n"
            "> Theoretical minimum number of bins: 2\n"
            "\n(more)");
}

}  // namespace
