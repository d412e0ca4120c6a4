// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/split.h"

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
using Packing = std::vector<Sizes>;  // Item sizes per bin, in bin order.

Packing PackSplit(double target, const Sizes& sizes) {
  Params params;
  params.target = target;
  std::vector<std::pair<std::string, double>> named;
  for (double size : sizes)
    named.emplace_back(std::to_string(named.size()), size);
  Input input(params, named);
  Split engine(input);
  engine.Search();
  const std::vector<BinView> bins = engine.ResultBins();
  EXPECT_EQ(CheckPacking(bins, input.items), "");
  Packing packing;
  for (const BinView& bin : bins) {
    EXPECT_EQ(bin.capacity, target);
    packing.emplace_back();
    for (const Item* item : bin) packing.back().push_back(item->size);
  }
  return packing;
}

TEST(SplitTest, CutsTheInputOrderIntoRuns) {
  static const struct {
    const char* name;
    double target;
    Sizes sizes;
    Packing bins;
  } cases[] = {
      {"earlier bins take nothing more",
       10,
       {6, 5, 4, 3, 2},
       {{6}, {5, 4}, {3, 2}}},
      {"another order, other bins", 10, {2, 3, 4, 5, 6}, {{2, 3, 4}, {5}, {6}}},
      {"exactly the target, then a new bin", 10, {3, 7, 1}, {{3, 7}, {1}}},
      {"one item", 10, {10}, {{10}}},
      {"fractions that add up to the target",
       1,
       {0.5, 0.25, 0.25, 0.5},
       {{0.5, 0.25, 0.25}, {0.5}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PackSplit(c.target, c.sizes), c.bins) << c.name;
  }
}

TEST(SplitTest, VerboseHeader) {
  Params params;
  params.target = 2048;
  Input input(params, {{"a", 1024}, {"b", 1024}, {"c", 1024}});
  Split engine(input);
  std::ostringstream out;
  engine.PrintHeader(out) << "(more)";
  EXPECT_EQ(out.str(),
            "\n"
            "> -----------------------------------\n"
            "> Split \"search\"                 \n"
            "> -----------------------------------\n"
            "> Target: 2.00KiB\n"
            "> Input size: 3\n"
            "> Theoretical minimum number of bins: 2\n"
            "\n(more)");
}

}  // namespace
