// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/optimizer.h"

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/params.h"
#include "input/input.h"

namespace {

// The base alone: an engine that finds nothing, to look at what the
// constructor and the common header do.
class IdleEngine : public Optimizer {
 public:
  explicit IdleEngine(Input& input) : Optimizer(input) {}
  void Search() override {}
  std::vector<BinView> ResultBins() const override { return {}; }
};

TEST(OptimizerTest, TheoreticalMinimum) {
  const double target = 100;
  static const struct {
    const char* name;
    double total;
    unsigned bins;
  } cases[] = {
      {"exact multiple", 300, 3},
      {"fraction rounds up", 240, 3},
      {"a tenth of a millionth above k", 300.00001, 3},
      {"two millionths above k", 300.0002, 4},
      {"below a millionth of one bin", 0.00005, 0},
      {"two millionths of one bin", 0.0002, 1},
      {"just below k", 299.9999, 3},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TheoreticalMinimum(c.total, target), c.bins) << c.name;
  }
}

TEST(OptimizerTest, ConstructorSettlesTheMinimumUnlessGiven) {
  Params params;
  params.target = 100;
  Input input(params, {{"a", 60}, {"b", 70}, {"c", 80}});
  IdleEngine computed(input);
  EXPECT_EQ(params.ga_theo_bins, 3u);
  EXPECT_EQ(computed.totalSize, 210);
  EXPECT_TRUE(computed.ResultBins().empty());  // Nothing searched yet.

  params.ga_theo_bins = 7;  // As --ga-theo 7 leaves it.
  IdleEngine given(input);
  EXPECT_EQ(params.ga_theo_bins, 7u);
}

TEST(OptimizerTest, CommonHeaderLines) {
  Params params;
  params.target = 1536;
  Input input(params, {{"a", 1024}, {"b", 1024}, {"c", 512}});
  IdleEngine engine(input);
  std::ostringstream out;
  engine.PrintHeader(out) << "(more)";
  EXPECT_EQ(out.str(),
            "> Target: 1.50KiB\n"
            "> Input size: 3\n"
            "> Theoretical minimum number of bins: 2\n(more)");
}

}  // namespace
